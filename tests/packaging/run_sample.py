#!/usr/bin/env python3
"""Runs the sample client (pcx2bmp.exe, built against the installed package)
under Wine on PCX files made here from bytes, and reads the BMP files it
writes with Pillow's reader: each must hold the fixture's pixels. A file
that is no PCX image must fail with the library's message and leave no BMP.

usage: run_sample.py <wine-run.sh> <pcx2bmp.exe> <work folder>
Exits 77 (skipped) when the machine cannot run the program under Wine.
"""
import os
import shutil
import struct
import subprocess
import sys

from PIL import Image


def run_length(line):
    """One coded line: runs of up to 63 equal bytes; a byte with both top
    bits set always goes in a run, even of one."""
    out, i = bytearray(), 0
    while i < len(line):
        n = 1
        while i + n < len(line) and line[i + n] == line[i] and n < 63:
            n += 1
        if n > 1 or line[i] >= 0xC0:
            out += bytes((0xC0 | n, line[i]))
        else:
            out.append(line[i])
        i += n
    return bytes(out)


def pcx_file(width, height, bits, planes, plane_rows, palette256=None):
    """A version-5 PCX file; plane_rows[y][p] holds row y of plane p."""
    bytes_per_line = (width * bits + 7) // 8
    bytes_per_line += bytes_per_line % 2
    header = struct.pack("<BBBBhhhhhh48sBBhhhh54s",
                         0x0A, 5, 1, bits,          # manufacturer, version, encoding, bits per pixel
                         0, 0, width - 1, height - 1,  # xMin, yMin, xMax, yMax
                         72, 72,                    # dpi
                         bytes(48), 0, planes,      # 16-colour palette, reserved, planes
                         bytes_per_line, 1, 0, 0,   # bytes per line, palette info, screen size
                         bytes(54))
    assert len(header) == 128
    body = b"".join(run_length(bytes(row[p]).ljust(bytes_per_line, b"\0"))
                    for row in plane_rows for p in range(planes))
    trailer = b"\x0C" + bytes(c for rgb in palette256 for c in rgb) if palette256 else b""
    return header + body + trailer


def indexed_case():
    """5x3, 256 colours: odd width, a run, indexes at and above 0xC0."""
    palette = [(i, 255 - i, (i * 7) % 256) for i in range(256)]
    indexes = [[0, 1, 2, 3, 4], [0xC0, 0xC0, 0xC0, 0xC1, 0xFF], [9, 9, 9, 9, 200]]
    data = pcx_file(5, 3, 8, 1, [[row] for row in indexes], palette)
    return "indexed.pcx", data, [[palette[i] for i in row] for row in indexes]


def rgb_case():
    """3x2, 24 bits in three planes of red, green and blue."""
    pixels = [[(255, 0, 0), (0, 255, 0), (0, 0, 255)], [(10, 20, 30), (200, 200, 200), (0xC5, 0xC5, 1)]]
    rows = [[[p[c] for p in row] for c in range(3)] for row in pixels]
    return "rgb.pcx", pcx_file(3, 2, 8, 3, rows), pixels


def main():
    wine_run, program, work = sys.argv[1:4]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    failures = 0

    for name, data, expected in (indexed_case(), rgb_case()):
        with open(os.path.join(work, name), "wb") as f:
            f.write(data)
        bmp = name.replace(".pcx", ".bmp")
        run = subprocess.run([wine_run, program, name, bmp], cwd=work, capture_output=True, text=True)
        if run.returncode == 77:
            print(run.stderr.strip())
            return 77
        print("%s -> %s: exit %d %s%s" % (name, bmp, run.returncode, run.stdout.strip(), run.stderr.strip()))
        if run.returncode != 0:
            failures += 1
            continue
        image = Image.open(os.path.join(work, bmp)).convert("RGB")
        got = [[image.getpixel((x, y)) for x in range(image.width)] for y in range(image.height)]
        if got != expected:
            print("FAIL %s: expected pixels %s, got %s" % (bmp, expected, got))
            failures += 1

    with open(os.path.join(work, "not-a-pcx.pcx"), "wb") as f:
        f.write(b"BM" + bytes(200))
    run = subprocess.run([wine_run, program, "not-a-pcx.pcx", "not-a-pcx.bmp"], cwd=work,
                         capture_output=True, text=True)
    print("not-a-pcx.pcx: exit %d %s" % (run.returncode, run.stderr.strip()))
    if run.returncode != 1 or "pcx2bmp: not-a-pcx.pcx: " not in run.stderr \
            or os.path.exists(os.path.join(work, "not-a-pcx.bmp")):
        print("FAIL not-a-pcx.pcx: expected exit 1 with the library's message and no BMP file")
        failures += 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

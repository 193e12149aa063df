#!/usr/bin/env python3
"""kypcx convert as a user runs it under Wine: pictures made here with Pillow
(PNG, a many-page TIFF, a palette GIF) into PCX and DCX and back, each result
read by Pillow and compared pixel by pixel; one page picked with --page; and
every refusal answered with a message and a non-zero exit status, leaving no
file (and an old file as it was).

usage: convert_command.py <kypcx.exe> <wine-run.sh>
Exits 77 (skipped) where wine-run.sh cannot run the program on this machine,
or where Pillow is missing.
"""
import os
import subprocess
import sys
import tempfile

try:
    from PIL import Image
except ImportError:
    print("Pillow is not installed (skipped)")
    sys.exit(77)


def gradient(width, height, seed):
    image = Image.new("RGB", (width, height))
    image.putdata([((x * 7 + seed) % 256, (y * 11 + 3 * seed) % 256, (x * y + seed) % 256)
                   for y in range(height) for x in range(width)])
    return image


def pages_of(path):
    """Every page of a file Pillow reads, as RGB pixel lists."""
    image = Image.open(path)
    pages = []
    index = 0
    while True:
        try:
            image.seek(index)
        except EOFError:
            break
        pages.append((image.size, list(image.convert("RGB").getdata())))
        index += 1
    return pages


def main():
    client, wine_run = sys.argv[1:3]
    failures = []
    with tempfile.TemporaryDirectory() as work:
        def path(name):
            return os.path.join(work, name)

        def kypcx(*args):
            run = subprocess.run([wine_run, client, "convert"] + list(args), cwd=work, capture_output=True,
                                 text=True, timeout=120)
            if run.returncode == 77:
                print("kypcx cannot run on this machine (skipped)")
                sys.exit(77)
            return run.returncode, (run.stdout + run.stderr).replace("\r", "\n")

        def check(condition, what):
            if not condition:
                failures.append(what)

        def converts(source, target, *extra):
            status, output = kypcx(source, target, *extra)
            check(status == 0, f"{source} -> {target}: exit {status}: {output}")
            return output

        photo = gradient(37, 21, 0)
        photo.save(path("photo.png"))
        scans = [gradient(20, 10 + i, 40 * i) for i in range(3)]
        scans[0].save(path("scans.tif"), save_all=True, append_images=scans[1:])
        palette = Image.new("P", (16, 4))
        palette.putpalette([v for i in range(256) for v in (i, 255 - i, (i * 5) % 256)])
        palette.putdata([(x * 17 + y) % 256 for y in range(4) for x in range(16)])
        palette.save(path("palette.gif"))
        with open(path("notes.txt"), "w") as f:
            f.write("\nnot a picture\n")

        # One picture through PCX and back, and a palette picture keeping its colours.
        converts("photo.png", "photo.pcx")
        check(pages_of(path("photo.pcx")) == pages_of(path("photo.png")), "PNG -> PCX: other pixels")
        converts("photo.pcx", "again.png")
        check(pages_of(path("again.png")) == pages_of(path("photo.png")), "PCX -> PNG: other pixels")
        converts("palette.gif", "palette.pcx")
        check(Image.open(path("palette.pcx")).mode == "P", "a palette picture stays indexed")
        check(pages_of(path("palette.pcx")) == pages_of(path("palette.gif")), "GIF -> PCX: other pixels")
        for other in ("photo.bmp", "photo.tif"):
            converts("photo.pcx", other)
            check(pages_of(path(other)) == pages_of(path("photo.png")), f"PCX -> {other}: other pixels")
        converts("photo.pcx", "photo.jpg")
        check(Image.open(path("photo.jpg")).size == (37, 21), "PCX -> JPEG: another size")
        # JPEG into PCX and DCX: the pixels the imaging component decodes
        # from it, as a lossless PNG of the same decode shows them.
        converts("photo.jpg", "jpeg_decoded.png")
        jpeg = pages_of(path("jpeg_decoded.png"))
        check(jpeg and jpeg[0][0] == (37, 21), "JPEG -> PNG: another size")
        for target in ("from_jpeg.pcx", "from_jpeg.dcx"):
            converts("photo.jpg", target)
            check(pages_of(path(target)) == jpeg, f"JPEG -> {target}: other pixels")

        # A picture with see-through pixels keeps its alpha through PCX; one
        # whose pixels are all opaque is written in the layout every reader reads.
        glass = Image.new("RGBA", (9, 5))
        glass.putdata([(x * 20, y * 40, 90, (x * 31 + y * 7) % 256) for y in range(5) for x in range(9)])
        glass.save(path("glass.png"))
        converts("glass.png", "glass.pcx")
        converts("glass.pcx", "glass_back.png")
        check(list(Image.open(path("glass_back.png")).convert("RGBA").getdata()) == list(glass.getdata()),
              "RGBA PNG -> PCX -> PNG: alpha or colours lost")
        opaque = glass.copy()
        opaque.putalpha(255)
        opaque.save(path("opaque.png"))
        converts("opaque.png", "opaque.pcx")
        with open(path("opaque.pcx"), "rb") as f:
            header = f.read(128)
        check((header[3], header[65]) == (8, 3), "an opaque picture is written as 3 planes of 8 bits")

        # A many-page TIFF becomes a DCX file page by page, and back.
        output = converts("scans.tif", "scans.dcx")
        check("page 3 of 3" in output, f"no progress line: {output}")
        expected = pages_of(path("scans.tif"))
        check(len(expected) == 3, "the TIFF fixture has three pages")
        check(pages_of(path("scans.dcx")) == expected, "TIFF -> DCX: other pages")
        converts("scans.dcx", "back.tif")
        check(pages_of(path("back.tif")) == expected, "DCX -> TIFF: other pages")
        converts("scans.dcx", "second.png", "--page", "1")
        check(pages_of(path("second.png")) == expected[1:2], "--page 1: another page")
        converts("scans.tif", "third.pcx", "--page", "2")
        check(pages_of(path("third.pcx")) == expected[2:3], "--page 2 of a TIFF: another page")

        # Refusals: a message naming the problem, no file left, an old file kept.
        with open(path("kept.png"), "wb") as f:
            f.write(b"old bytes")
        refusals = [
            (("scans.tif", "kept.png"), "one page"),
            (("scans.tif", "one.pcx"), "one page"),
            (("scans.dcx", "kept.png", "--page", "3"), "no page 3"),
            (("photo.png", "photo.xyz"), "cannot tell the format"),
            (("missing.png", "kept.png"), "no such file"),
            (("notes.txt", "kept.png"), "no installed decoder"),
        ]
        for args, message in refusals:
            status, output = kypcx(*args)
            check(status != 0, f"{args}: exit 0")
            check(message in output, f"{args}: '{message}' not in: {output}")
        with open(path("kept.png"), "rb") as f:
            check(f.read() == b"old bytes", "a refused conversion changed the old file")
        left = sorted(n for n in os.listdir(work) if n.endswith(".part") or n in ("one.pcx", "photo.xyz"))
        check(not left, f"files left behind: {left}")

    for failure in failures:
        print("FAIL:", failure)
    print(f"convert: {len(failures)} failure(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Writes small pictures as PCX files with other programs, in the layouts
they choose: netpbm's ppmtopcx -packed (1, 2 and 4 bits in one plane for 2,
4 and 8 or 16 colours), ppmtopcx -planes 2 and 3 (4 and 8 colours in planes
of 1 bit), and ImageMagick for a picture with transparency (4 planes of 8
bits: red, green, blue and alpha) and for one saved uncompressed. The library
(kypcx tobmp under Wine, which reads every layout) must read each back to
the picture's own pixels, alpha included; 1-bit pictures, whose two colours
the library chooses by the format's two-colour rule, to their pattern.

usage: fresh_files.py <kypcx.exe> <wine-run.sh>
"""
import os
import shutil
import subprocess
import sys
import tempfile

from library_decode import decode_many

# 77 tells ctest the check was skipped: what it needs is not here.
SKIPPED = 77

try:
    from PIL import Image
except ImportError:
    Image = None

COLORS = [(0, 0, 0), (255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0), (0, 255, 255), (255, 0, 255),
          (255, 255, 255), (128, 0, 0), (0, 128, 0), (0, 0, 128), (128, 128, 0), (0, 128, 128), (128, 0, 128),
          (192, 192, 192), (64, 64, 64)]
WIDTH, HEIGHT = 37, 9  # an odd width: the last byte of every plane is partly padding


def picture(colors):
    image = Image.new("RGB", (WIDTH, HEIGHT))
    for y in range(HEIGHT):
        for x in range(WIDTH):
            image.putpixel((x, y), COLORS[(x * 3 + y * 5) % colors])
    return image


def transparent_picture():
    image = Image.new("RGBA", (WIDTH, HEIGHT))
    for y in range(HEIGHT):
        for x in range(WIDTH):
            image.putpixel((x, y), (x * 6, y * 25, 200 - x * 5, 255 if x % 3 == 0 else x * 6 + y))
    return image


def main():
    client, wine_run = sys.argv[1:3]
    if Image is None or shutil.which("ppmtopcx") is None or shutil.which("convert") is None:
        print("Python's PIL, netpbm's ppmtopcx or ImageMagick's convert is missing: nothing to write (skipped)")
        return SKIPPED
    failures = []
    with tempfile.TemporaryDirectory() as work:
        def path(name):
            return os.path.join(work, name)

        cases = []  # (name, source image, command writing path(name + ".pcx"), expected planes, bits)
        for colors, bits in ((2, 1), (4, 2), (8, 4), (16, 4)):
            picture(colors).save(path("c%d.ppm" % colors))
            cases.append(("ppmtopcx -packed, %d colours" % colors, "c%d.ppm" % colors,
                          ["ppmtopcx", "-packed", path("c%d.ppm" % colors)], 1, bits))
        for planes, colors in ((2, 4), (3, 8)):
            cases.append(("ppmtopcx -planes %d" % planes, "c%d.ppm" % colors,
                          ["ppmtopcx", "-planes", str(planes), path("c%d.ppm" % colors)], planes, 1))
        transparent_picture().save(path("alpha.png"))
        cases.append(("ImageMagick, transparency", "alpha.png", ["convert", path("alpha.png"), "pcx:-"], 4, 8))
        picture(16).save(path("rgb.png"))
        cases.append(("ImageMagick, uncompressed 24 bits", "rgb.png",
                      ["convert", path("rgb.png"), "-type", "TrueColor", "-compress", "None", "pcx:-"], 3, 8))

        written_as = {}  # case number -> header, for the files written in the layout asked for
        for n, (name, source, command, planes, bits) in enumerate(cases):
            pcx = path("%02d.pcx" % n)
            with open(pcx, "wb") as out:
                written = subprocess.run(command, stdout=out, stderr=subprocess.DEVNULL, timeout=120)
            with open(pcx, "rb") as f:
                header = f.read(128)
            if written.returncode != 0 or len(header) < 128:
                failures.append("%s: the writer failed" % name)
            elif (header[65], header[3]) != (planes, bits):
                failures.append("%s: written as %d planes x %d bits, not %d x %d" % (name, header[65], header[3],
                                                                                   planes, bits))
            else:
                written_as[n] = header
        decoded = decode_many(wine_run, client, [(path("%02d.pcx" % n), path("%02d.bmp" % n)) for n in written_as])
        if decoded is None:
            return SKIPPED

        for n, header in written_as.items():
            name, source, _, planes, bits = cases[n]
            bmp = path("%02d.bmp" % n)
            status, output = decoded[path("%02d.pcx" % n)]
            if status != 0:
                failures.append("%s: %s" % (name, output[-200:]))
                continue
            expected = Image.open(path(source))
            mode = "RGBA" if expected.mode == "RGBA" else "RGB"
            ours = Image.open(bmp).convert(mode)
            expected = expected.convert(mode)
            coding = "stored" if header[2] == 0 else "run-length coded"
            if planes == 1 and bits == 1:
                ours = ours.point(lambda v: 0 if v < 128 else 255).convert("1").convert(mode)
                mapping = {}
                same = ours.size == expected.size and all(
                    mapping.setdefault(a, b) == b for a, b in zip(ours.getdata(), expected.getdata()))
            else:
                same = ours.size == expected.size and ours.tobytes() == expected.tobytes()
            if not same:
                failures.append("%s (%d x %d, %s): read back differently" % (name, planes, bits, coding))
                print("DIFFERS  %s" % name)
            else:
                print("same     %s (%d plane%s x %d bit%s, %s)" % (name, planes, "s" if planes > 1 else "", bits,
                                                                  "s" if bits > 1 else "", coding))
    for failure in failures:
        print("FAIL " + failure)
    print("fresh files: %d written, %d failures" % (len(cases), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

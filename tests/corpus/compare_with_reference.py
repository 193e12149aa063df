#!/usr/bin/env python3
"""Decodes every PCX file of the shared corpus with the library (kypcx tobmp
under Wine, which reads every layout) and with netpbm's pcxtoppm (or, for
the files pcxtoppm does not read, ImageMagick), and checks that they agree;
then extracts every page of every DCX file (kypcx extract FILE all PREFIX)
and checks the pages whose single-page PCX originals the corpus holds
against pcxtoppm's reading of those originals.

Every file and page must decode or fail with one of the library's messages,
and every file outside fuzz/ must decode; a file that both decode must have
the same pixels. Only the pixel pattern is compared (the pixels of each of
our colours must all have one colour in the reference) for 1-bit images,
whose two colours readers choose by different rules. The CGA pictures whose
header holds CGA palette bytes, which the library reads by its CGA rule and
the references take for colours, are compared by their colour indices:
ours, through the header's entries, must give the reference's pixels.

usage: compare_with_reference.py <corpus-dir> <kypcx.exe> <wine-run.sh>
"""
import os
import shutil
import subprocess
import sys
import tempfile

from library_decode import decode_many

# 77 tells ctest the comparison was skipped: what it needs is not here.
SKIPPED = 77

try:
    from PIL import Image
except ImportError:
    Image = None


def decode_with_reference(pcx, ppm):
    with open(ppm, "wb") as out:
        run = subprocess.run(["pcxtoppm", pcx], stdout=out, stderr=subprocess.DEVNULL, timeout=120)
    return run.returncode == 0 and os.path.getsize(ppm) > 0


def decode_with_imagemagick(pcx, png):
    if shutil.which("convert") is None:
        return False
    run = subprocess.run(["convert", pcx, "png:" + png], capture_output=True, timeout=120)
    return run.returncode == 0 and os.path.exists(png) and os.path.getsize(png) > 0


# Files whose header holds CGA palette bytes (the library's CGA rule); the
# references show the bytes as colours.
CGA_PALETTE_BYTES = {"twelvemonkeys/CGA_RGBI.PCX", "twelvemonkeys/CGA_TST1.PCX"}

# Files neither reference reads, and a file of the same picture that they do.
SAME_PICTURE = {"commons-imaging/1plane24bppCompressed.pcx": "commons-imaging/3plane8bppCompressed.pcx"}


def compare(ours, reference, pattern_only):
    if ours.size != reference.size:
        return "size %s, reference %s" % (ours.size, reference.size)
    a = ours.convert("RGB").tobytes()
    b = reference.convert("RGB").tobytes()
    if not pattern_only:
        if a == b:
            return None
        first = next(i for i in range(0, len(a), 3) if a[i:i + 3] != b[i:i + 3]) // 3
        x, y = first % ours.size[0], first // ours.size[0]
        return "pixel (%d, %d) is %s, reference %s" % (x, y, tuple(a[3 * first:3 * first + 3]),
                                                       tuple(b[3 * first:3 * first + 3]))
    mapping = {}
    for i in range(0, len(a), 3):
        mine, theirs = a[i:i + 3], b[i:i + 3]
        if mapping.setdefault(mine, theirs) != theirs:
            p = i // 3
            return "pixel pattern differs at (%d, %d)" % (p % ours.size[0], p // ours.size[0])
    return None


def main():
    corpus, client, wine_run = sys.argv[1:4]
    if not os.path.isdir(corpus):
        print("corpus %s is absent: nothing to compare (skipped)" % corpus)
        return SKIPPED
    if shutil.which("pcxtoppm") is None:
        print("netpbm's pcxtoppm is not installed: nothing to compare with (skipped)")
        return SKIPPED
    if Image is None:
        print("Python's PIL is not installed: the images cannot be read (skipped)")
        return SKIPPED
    files = sorted(os.path.join(d, f) for d, _, fs in os.walk(corpus) for f in fs if f.lower().endswith(".pcx"))
    failures, compared, refused = [], 0, 0
    with tempfile.TemporaryDirectory() as work:
        bmps = [os.path.join(work, "%03d.bmp" % n) for n in range(len(files))]
        decoded = decode_many(wine_run, client, list(zip(files, bmps)))
        if decoded is None:  # wine-run.sh cannot run the client on this machine
            return SKIPPED
        for n, pcx in enumerate(files):
            name = os.path.relpath(pcx, corpus)
            bmp = bmps[n]
            ppm = os.path.join(work, "%03d.ppm" % n)
            status, output = decoded[pcx]
            if status != 0:
                if "error" not in output:
                    failures.append("%s: no error code (exit %d): %s" % (name, status, output[-200:]))
                elif not name.startswith("fuzz"):
                    failures.append("%s: refused: %s" % (name, output.splitlines()[-1]))
                else:
                    refused += 1
                    print("refused  %-60s %s" % (name, output.splitlines()[-1].split(": ", 1)[-1]))
                continue
            well_formed = not name.startswith("fuzz")
            if not well_formed:
                print("decoded  %-60s (no reference to compare)" % name)
                continue
            key = name.replace(os.sep, "/")
            source = os.path.join(corpus, SAME_PICTURE.get(key, key))
            png = os.path.join(work, "%03d.png" % n)
            if decode_with_reference(source, ppm):
                reference, by = Image.open(ppm), "pcxtoppm"
            elif decode_with_imagemagick(source, png):
                reference, by = Image.open(png), "ImageMagick"
            else:
                print("decoded  %-60s (no reference to compare)" % name)
                continue
            pattern_only = _bit_count(bmp) == 1
            ours = Image.open(bmp)
            if key in CGA_PALETTE_BYTES:
                ours = _through_header_colors(ours, os.path.join(corpus, key))
            problem = compare(ours, reference, pattern_only)
            compared += 1
            if problem:
                failures.append("%s: %s (against %s)" % (name, problem, by))
            print("%s %-60s %s%s" % ("DIFFERS " if problem else "same    ", name, by,
                                     " (pattern)" if pattern_only else ""))
    print("%d files: %d compared with a reference, %d refused with a code, %d failures"
          % (len(files), compared, refused, len(failures)))
    failures += compare_dcx_pages(corpus, client, wine_run)
    for f in failures:
        print("FAIL " + f)
    return 1 if failures else 0


# Pages of DCX files another program packed (some re-encoded with other line
# lengths), and the PCX files they were made from.
DCX_ORIGINALS = {
    ("imagemagick/input.dcx", 0): "imagemagick/input.pcx",
    ("imagemagick-written/multipage_3_mixed.dcx", 0): "twelvemonkeys/CGA_BW.PCX",
    ("imagemagick-written/multipage_3_mixed.dcx", 1): "allegro5/planet.pcx",
    ("imagemagick-written/multipage_3_mixed.dcx", 2): "sdl_image/sample.pcx",
    ("imagemagick-written/multipage_2_bilevel.dcx", 0): "twelvemonkeys/no-palette-monochrome.pcx",
    ("imagemagick-written/multipage_2_bilevel.dcx", 1): "commons-imaging/1plane1bppCompressed.pcx",
    ("imagemagick-written/multipage_5_tiny.dcx", 0): "commons-imaging/1plane1bppCompressed.pcx",
    ("imagemagick-written/multipage_5_tiny.dcx", 3): "commons-imaging/1plane8bppCompressed.pcx",
    ("imagemagick-written/multipage_5_tiny.dcx", 4): "commons-imaging/3plane8bppCompressed.pcx",
    ("imagemagick-written/multipage_2_large.dcx", 0): "image-rs/24bit.pcx",
    ("imagemagick-written/multipage_2_large.dcx", 1): "image-rs/256-palette.pcx",
}


def compare_dcx_pages(corpus, client, wine_run):
    """Extracts every DCX page; returns the failures."""
    files = sorted(os.path.relpath(os.path.join(d, f), corpus).replace(os.sep, "/")
                   for d, _, fs in os.walk(corpus) for f in fs if f.lower().endswith(".dcx"))
    failures, pages, compared = [], 0, 0
    with tempfile.TemporaryDirectory() as work:
        for n, name in enumerate(files):
            prefix = os.path.join(work, "dcx%03d" % n)
            run = subprocess.run([wine_run, client, "extract", os.path.join(corpus, name), "all", prefix],
                                 capture_output=True, text=True, timeout=300)
            output = (run.stdout + run.stderr).strip()
            if run.returncode != 0 and "error" not in output:
                failures.append("%s: no error code (exit %d): %s" % (name, run.returncode, output[-200:]))
            page = 0
            while os.path.exists("%s_%03d.bmp" % (prefix, page)):
                bmp = "%s_%03d.bmp" % (prefix, page)
                pages += 1
                original = DCX_ORIGINALS.get((name, page))
                ppm = os.path.join(work, "dcx%03d_%03d.ppm" % (n, page))
                if original and decode_with_reference(os.path.join(corpus, original), ppm):
                    problem = compare(Image.open(bmp), Image.open(ppm), _bit_count(bmp) == 1)
                    compared += 1
                    if problem:
                        failures.append("%s page %d: %s" % (name, page, problem))
                    print("%s %-60s page %d against %s" % ("DIFFERS " if problem else "same    ", name, page,
                                                            original))
                else:
                    print("decoded  %-60s page %d (no original to compare)" % (name, page))
                page += 1
    print("%d DCX files: %d pages extracted, %d compared with pcxtoppm's reading of their originals"
          % (len(files), pages, compared))
    if compared < len(DCX_ORIGINALS):
        failures.append("only %d of %d DCX pages with originals compared" % (compared, len(DCX_ORIGINALS)))
    return failures


def _through_header_colors(indexed, pcx):
    """An indexed image with the PCX file's first four header entries as its colours."""
    with open(pcx, "rb") as f:
        entries = f.read(28)[16:28]
    image = indexed.copy()
    image.putpalette(list(entries) + [0] * (768 - len(entries)))
    return image


def _bit_count(bmp):
    """biBitCount of a BMP file."""
    with open(bmp, "rb") as f:
        header = f.read(30)
    return int.from_bytes(header[28:30], "little")


if __name__ == "__main__":
    sys.exit(main())

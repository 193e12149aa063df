#!/usr/bin/env python3
"""The client's DCX writing commands as a user runs them: kypcx pack, add and
delete under Wine on small files made here, checked byte for byte (and the
last page of a full table listed, extracted and deleted), and each
kind of bad argument or failure answered with the library's message and a
non-zero exit status, leaving the files as they were.

usage: dcx_commands.py <kypcx.exe> <wine-run.sh>
Exits 77 (skipped) where wine-run.sh cannot run the program on this machine.
"""
import os
import struct
import subprocess
import sys
import tempfile

MAGIC = 987654321


def pcx_1bit(value):
    """An 8 x 1 one-bit PCX image whose line is `value`."""
    header = bytearray(128)
    header[0:4] = bytes([0x0A, 5, 1, 1])
    struct.pack_into("<hhhh", header, 4, 0, 0, 7, 0)
    header[65] = 1
    struct.pack_into("<h", header, 66, 2)
    return bytes(header) + bytes([0xC1, value, 0x00])


def bmp_24bit():
    pixels = (bytes([0, 0, 255, 0, 255, 0]) + b"\0\0") * 2
    info = struct.pack("<IiiHHIIiiII", 40, 2, 2, 1, 24, 0, len(pixels), 0, 0, 0, 0)
    return struct.pack("<2sIHHI", b"BM", 14 + 40 + len(pixels), 0, 0, 54) + info + pixels


def dcx(pages):
    words = [MAGIC] + [0] * 1023
    offset = 4096
    for i, page in enumerate(pages):
        words[i + 1] = offset
        offset += len(page)
    return struct.pack("<1024I", *words) + b"".join(pages)


def pages_of(data):
    """The pages a DCX file lists, as byte strings."""
    words = struct.unpack_from("<1024I", data)
    assert words[0] == MAGIC, "no DCX magic"
    offsets = []
    for word in words[1:1023]:
        if word == 0:
            break
        offsets.append(word)
    return [data[start:end] for start, end in zip(offsets, offsets[1:] + [len(data)])]


def main():
    client, wine_run = sys.argv[1:3]
    failures = []
    with tempfile.TemporaryDirectory() as work:
        def path(name):
            return os.path.join(work, name)

        def write(name, data):
            with open(path(name), "wb") as f:
                f.write(data)

        def read(name):
            with open(path(name), "rb") as f:
                return f.read()

        def kypcx(*args):
            run = subprocess.run([wine_run, client] + list(args), cwd=work, capture_output=True, text=True,
                                 timeout=120)
            if run.returncode == 77:
                print("kypcx cannot run on this machine (skipped)")
                sys.exit(77)
            return run.returncode, (run.stdout + run.stderr).replace("\r", "")

        a, b, c = pcx_1bit(0x55), pcx_1bit(0x0F), bmp_24bit()
        write("a.pcx", a)
        write("b.pcx", b)
        write("c.bmp", c)
        write("bad.pcx", b"not a PCX file")

        status, output = kypcx("pack", "book.dcx", "a.pcx", "c.bmp", "b.pcx")
        book = read("book.dcx") if status == 0 else b""
        if status != 0 or len(pages_of(book)) != 3 or pages_of(book)[0] != a or pages_of(book)[2] != b:
            failures.append("pack: status %d, %s" % (status, output))
        bmp_page = pages_of(book)[1] if status == 0 else b""

        status, output = kypcx("add", "book.dcx", "a.pcx")
        if status != 0 or read("book.dcx") != dcx([a, bmp_page, b, a]):
            failures.append("add: status %d, %s" % (status, output))

        # Where each page lies, as the library reads it: with the offsets
        # listed out of order, each page still ends at the nearest page
        # start above its own.
        swapped = bytearray(dcx([a, bmp_page, b]))
        first, second = struct.unpack_from("<2I", swapped, 4)
        struct.pack_into("<2I", swapped, 4, second, first)
        write("swapped.dcx", bytes(swapped))
        status, output = kypcx("pages", "swapped.dcx")
        rows = [line.split() for line in output.splitlines()[2:]]
        extents = [(second, len(bmp_page)), (first, len(a)), (first + len(a) + len(bmp_page), len(b))]
        got = [(int(r[1]), int(r[2])) for r in rows if len(r) >= 3 and r[1].isdigit()]
        if status != 0 or got != extents:
            failures.append("pages: status %d, %r (expected offsets and bytes %s)" % (status, output, extents))
        os.remove(path("swapped.dcx"))

        status, output = kypcx("delete", "book.dcx", "1")
        if status != 0 or read("book.dcx") != dcx([a, b, a]):
            failures.append("delete: status %d, %s" % (status, output))

        before = read("book.dcx")
        refusals = [
            (("delete", "book.dcx", "3"), "Reference to non-exist item number."),
            (("delete", "book.dcx", "x"), "Reference to non-exist item number."),
            (("delete", "book.dcx", "-1"), "Reference to non-exist item number."),
            (("add", "book.dcx", "bad.pcx"), "File I/O error."),
            (("add", "book.dcx", "missing.pcx"), "Unable to open file."),
            (("add", "missing.dcx", "a.pcx"), "Unable to open file."),
            (("add", "a.pcx", "b.pcx"), "Bad DCX file identifier."),
            (("pack", "book.dcx", "a.pcx", "bad.pcx"), "File I/O error."),
        ]
        for args, message in refusals:
            status, output = kypcx(*args)
            if status == 0 or message not in output:
                failures.append("%s: status %d, %r (expected %r)" % (" ".join(args), status, output, message))
        if read("book.dcx") != before or read("a.pcx") != a:
            failures.append("a refused command changed a file")
        # All 1022 entries in use: the page in entry 1022 is listed, so it is
        # found up to the file's end, read and deleted like any last page.
        full_pages = [pcx_1bit(i % 256) for i in range(1022)]
        full = dcx(full_pages)
        write("full.dcx", full)
        status, output = kypcx("pages", "full.dcx")
        lines = output.splitlines()
        last_row = next((r for r in (line.split() for line in lines) if r[:1] == ["1021"]), [])
        expected_row = ["1021", str(len(full) - len(full_pages[-1])), str(len(full_pages[-1])), "8x1"]
        if status != 0 or "full.dcx: 1022 pages" not in output or last_row[:4] != expected_row:
            failures.append("pages of a full table: status %d, last row %r (expected %r)"
                            % (status, last_row, expected_row))
        status, output = kypcx("extract", "full.dcx", "1021", "last.bmp")
        bmp = read("last.bmp") if os.path.exists(path("last.bmp")) else b""
        if status != 0 or bmp[:2] != b"BM" or struct.unpack_from("<ii", bmp, 18) != (8, 1):
            failures.append("extract of the last page of a full table: status %d, %s" % (status, output))
        if os.path.exists(path("last.bmp")):
            os.remove(path("last.bmp"))
        status, output = kypcx("delete", "full.dcx", "1021")
        if status != 0 or read("full.dcx") != dcx(full_pages[:-1]):
            failures.append("delete of the last page of a full table: status %d, %s" % (status, output))
        os.remove(path("full.dcx"))

        left = sorted(os.listdir(work))
        if left != ["a.pcx", "b.pcx", "bad.pcx", "book.dcx", "c.bmp"]:
            failures.append("files left: %s" % left)

    for failure in failures:
        print("FAIL " + failure)
    print("DCX commands: %s" % ("all as expected" if not failures else "%d failures" % len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

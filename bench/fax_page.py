#!/usr/bin/python3
"""Draws the benchmark's fax page: 1728 x 2292 black-on-white, 1 bit, a
page of running text (the GPL's) in DejaVu Sans, as a fax machine would
scan a typed letter. Written to standard output as a PBM file.

Usage: fax_page.py > out.pbm
"""
import sys

from PIL import Image, ImageDraw, ImageFont

WIDTH, HEIGHT = 1728, 2292
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
TEXT = "/usr/share/common-licenses/GPL-3"


def main():
    page = Image.new("1", (WIDTH, HEIGHT), 1)
    draw = ImageDraw.Draw(page)
    font = ImageFont.truetype(FONT, 26)
    y = 110
    with open(TEXT, encoding="utf-8") as text:
        for line in text.read().splitlines():
            if y > HEIGHT - 140:
                break
            draw.text((120, y), line, font=font, fill=0)
            y += 34
    page.save(sys.stdout.buffer, "PPM")
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Checks a screenshot of the freshly started main window: a menu bar with text in it, and an
empty client area below (the sheet has no picture until it is first drawn)."""
import sys

from PIL import Image

shot, x, y, w, h = sys.argv[1], *map(int, sys.argv[2:6])
img = Image.open(shot).convert("RGB")


def dark_pixels(box):
    region = img.crop(box)
    return sum(1 for p in region.getdata() if sum(p) < 200)


# The sheet fills the client area; nothing is drawn on it yet.
sheet = img.crop((x + 20, y + h - 200, x + w - 20, y + h - 20))
colours = sheet.getcolors(maxcolors=16)
if colours is None or len(colours) != 1:
    sys.exit("the client area is not one plain colour")

# The menu bar lies between the caption (about 20 px) and the sheet; its two entries are text.
menu = (x + 4, y + 20, x + 200, y + 45)
ink = dark_pixels(menu)
if ink < 40:
    sys.exit(f"menu bar shows no text ({ink} dark pixels)")
print(f"client area plain {colours[0][1]}, menu bar ink {ink} px")

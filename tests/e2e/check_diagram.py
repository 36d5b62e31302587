#!/usr/bin/env python3
"""Checks a sheet saved by the diagram scenario with a reader that is not KOVA's (PIL): its
format, and ink where the items, the link, the ellipse and the free-hand line were drawn."""
import struct
import sys

from PIL import Image

blank = sys.argv[1] == "--blank"
name = sys.argv[-1]

with open(name, "rb") as f:
    head = f.read(54)
if head[:2] != b"BM":
    sys.exit("not a bitmap file")
width, height, planes, bits = struct.unpack("<iiHH", head[18:30])
if (width, abs(height), bits) != (544, 383, 32):
    sys.exit(f"{width}x{height} at {bits} bits per pixel, expected 544x383 at 32")

img = Image.open(name).convert("RGB")
px = img.load()


def dark(x, y):
    return sum(px[x, y]) < 3 * 140


def ink_in(x0, y0, x1, y1):
    return sum(dark(x, y) for x in range(x0, x1) for y in range(y0, y1))


if blank:
    colours = img.getcolors(maxcolors=4)
    if colours != [(544 * 383, (255, 255, 255))]:
        sys.exit(f"blank sheet is not plain white: {colours}")
    print("blank sheet: plain white")
    sys.exit(0)

checks = {
    # Items typed at (60, 60) and (300, 200); their boxes start 3 pixels further in.
    "text of Alpha": ink_in(63, 63, 100, 80) > 15,
    # 企画 was grabbed at (310, 208) and dragged to (350, 260).
    "text of 企画": ink_in(343, 255, 375, 272) > 15,
    "企画 moved away": ink_in(303, 203, 335, 220) == 0,
    # The link runs between the two centres, about (78, 70) and (356, 262).
    "link line": ink_in(212, 160, 224, 172) > 0,
    # Each item's ellipse reaches 8 pixels beyond its box.
    "ellipse of Alpha": ink_in(53, 64, 58, 76) > 0,
    "ellipse of 企画": ink_in(333, 256, 338, 268) > 0,
    "free-hand line": ink_in(172, 336, 179, 345) > 0,
    "empty sheet elsewhere": ink_in(420, 40, 520, 120) == 0,
}
failed = [k for k, ok in checks.items() if not ok]
if failed:
    sys.exit("missing: " + ", ".join(failed))
print("diagram: " + ", ".join(checks))

#!/usr/bin/env python3
"""Checks the sheet saved by the settings scenario with PIL: a red line three pixels thick
where the free-hand line was drawn, and a blue stamp at every reported position of the right-button drag."""
import sys

from PIL import Image

img = Image.open(sys.argv[1]).convert("RGB")
px = img.load()


def column(x, y0, y1):
    return [px[x, y] for y in range(y0, y1)]


red = (255, 0, 0)
blue = (0, 0, 255)
line = column(140, 295, 306)
thickness = sum(p == red for p in line)
stamps = sum(px[x, y] == blue for x in range(40, 246) for y in range(100, 106))
problems = []
if thickness != 3:
    problems.append(f"red line is {thickness} pixels thick at x=140: {line}")
# A 6 by 6 stamp at the press and at each of the ten reported moves, 20 pixels apart.
if stamps != 11 * 36 or any(px[x + 3, 103] != blue for x in range(40, 241, 20)):
    problems.append(f"{stamps} blue pixels along the stamp path, expected 11 stamps")
if any(px[x, 200] != (255, 255, 255) for x in range(20, 300)):
    problems.append("ink where nothing was drawn")
if problems:
    sys.exit("; ".join(problems))
print(f"red line {thickness} px thick, {stamps} stamped pixels")

#!/usr/bin/env python3
"""Checks a saved sheet with PIL: at column X, a black line exactly three pixels thick
around each given row, and white between the lines.

    check_lines.py SHEET X ROW...
"""
import sys

from PIL import Image

img = Image.open(sys.argv[1]).convert("RGB")
px = img.load()
x = int(sys.argv[2])
rows = [int(r) for r in sys.argv[3:]]
black, white = (0, 0, 0), (255, 255, 255)
problems = []
for row in rows:
    column = [px[x, y] for y in range(row - 6, row + 7)]
    thickness = sum(p == black for p in column)
    if thickness != 3 or any(p not in (black, white) for p in column):
        problems.append(f"line at row {row} is {thickness} pixels thick: {column}")
between = [px[x, y] for y in range(min(rows) + 7, max(rows) - 6)]
if any(p != white for p in between):
    problems.append("ink between the lines")
if problems:
    sys.exit("; ".join(problems))
print(f"lines at rows {rows} are 3 pixels thick")

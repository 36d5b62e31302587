#!/usr/bin/env python3
"""Reads the diagram a sheet saved by KOVA carries, with a reader written from
docs/diagram-format.md, and prints its live items as "x y text", one a line. Fails unless
Pillow reads the picture and the file-size field is the file's length."""
import struct
import sys
import zlib

from PIL import Image

data = open(sys.argv[1], "rb").read()
Image.open(sys.argv[1]).load()
if struct.unpack_from("<I", data, 2)[0] != len(data):
    sys.exit("the file-size field is not the file's length")
off, _, width, height, _, bits = struct.unpack_from("<IIiiHH", data, 10)
start = off + (width * bits + 31) // 32 * 4 * abs(height)
if data[start:start + 8] != b"KOVADIAG":
    sys.exit("no diagram after the pixels")
version, length = struct.unpack_from("<II", data, start + 8)
body = data[start + 16:start + 16 + length]
crc, back = struct.unpack_from("<II", data, start + 16 + length)
if version != 1 or back != start or crc != zlib.crc32(data[start:start + 16 + length]):
    sys.exit("the diagram block fails its checks")
pos = 0


def take(fmt):
    global pos
    values = struct.unpack_from(fmt, body, pos)
    pos += struct.calcsize(fmt)
    return values


def text():
    (n,) = take("<I")
    return take(f"<{n}s")[0]


(count,) = take("<I")
for _ in range(count):
    x, y = take("<ii")
    s = text().decode("cp932")
    take("<iiiBBBI")
    text()
    take("<BBiII")
    (flags,) = take("<B")
    (links,) = take("<I")
    take(f"<{links}i")
    if not flags & 2:
        print(x, y, s)
w, h, packed = take("<III")
if len(zlib.decompress(body[pos:pos + packed])) != w * h * 4:
    sys.exit("the layer is not one layer")

#!/usr/bin/env python3
"""Writes the saved-diagram fixtures of tests/data/diagram from docs/diagram-format.md alone,
so that the tests also check KOVA against the written description of the format."""
import struct
import sys
import zlib
from pathlib import Path

out = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).parent.parent / "tests/data/diagram")


def bitmap(width, height, pixel=b"\xff\xff\xff\x00", v5_profile=None):
    """A 32-bit bitmap file; with v5_profile, a BITMAPV5HEADER whose profile follows the pixels."""
    pixels = pixel * (width * height)
    header_size = 124 if v5_profile else 40
    off_bits = 14 + header_size
    info = struct.pack("<IiiHHIIiiII", header_size, width, height, 1, 32, 0, len(pixels), 0, 0, 0, 0)
    if v5_profile:
        profile_at = header_size + len(pixels)  # from the info header's start
        info += struct.pack("<IIII", 0x00FF0000, 0x0000FF00, 0x000000FF, 0)  # masks
        info += b"MBED" + bytes(36) + bytes(12)  # PROFILE_EMBEDDED, endpoints, gamma
        info += struct.pack("<IIII", 4, profile_at, len(v5_profile), 0)
    size = off_bits + len(pixels) + (len(v5_profile) if v5_profile else 0)
    return b"BM" + struct.pack("<IHHI", size, 0, 0, off_bits) + info + pixels + (v5_profile or b"")


def text(s):
    b = s.encode("cp932")
    return struct.pack("<I", len(b)) + b


def item(x, y, s, links=(), flags=1, face="ＭＳ Ｐゴシック", height=-16, style=0, colour=0, pen_width=1):
    size = -height * 72 // 96
    return (struct.pack("<ii", x, y) + text(s)
            + struct.pack("<iiiBBBI", height, size, 96, style, 0, 128, colour) + text(face)
            + struct.pack("<BBiII", 4, 0, pen_width, 0x0000FF, 0xFFFFFF) + bytes([flags])
            + struct.pack("<I", len(links)) + b"".join(struct.pack("<i", t) for t in links))


def diagram(bmp, items, width, height, layer_pixel=b"\xff\xff\xff\x00"):
    layer = zlib.compress(layer_pixel * (width * height))
    body = (struct.pack("<I", len(items)) + b"".join(items)
            + struct.pack("<III", width, height, len(layer)) + layer)
    block = b"KOVADIAG" + struct.pack("<II", 1, len(body)) + body
    start = len(bmp)
    block += struct.pack("<II", zlib.crc32(block), start) + b"KOVAEND\0"
    whole = bytearray(bmp + block)
    whole[2:6] = struct.pack("<I", len(whole))
    return bytes(whole)


out.mkdir(parents=True, exist_ok=True)
fixtures = {
    "empty.bmp": diagram(bitmap(2, 2), [], 2, 2),
    "items.bmp": diagram(bitmap(8, 4), [item(1, 1, "idea", [1, -1]), item(5, 2, "next", [0], flags=0)], 8, 4,
                         b"\x00\x00\xff\x00"),
    "japanese.bmp": diagram(bitmap(4, 4, b"\x10\x20\x30\x00"),
                            [item(0, 0, "発想", [2], style=15, colour=0x0000FF, pen_width=10),
                             item(2, 2, "", flags=3), item(3, 1, "ソフト表", [0, -1, 0], face="IPAGothic")],
                            4, 4),
    "profile.bmp": bitmap(2, 2, b"\x00\x80\xff\x00", v5_profile=b"\x00\x00\x00\x30acsp" + bytes(40)),
}
for name, data in fixtures.items():
    (out / name).write_bytes(data)

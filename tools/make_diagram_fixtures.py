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


def diagram(bmp, items, width, height, layer_pixel=b"\xff\xff\xff\x00", version=1, layer_rows=None,
            tamper=None):
    """bmp with its diagram block; tamper(block) may change the block before it is sealed."""
    layer = zlib.compress(layer_pixel * (width * (height if layer_rows is None else layer_rows)))
    body = (struct.pack("<I", len(items)) + b"".join(items)
            + struct.pack("<III", width, height, len(layer)) + layer)
    block = b"KOVADIAG" + struct.pack("<II", version, len(body)) + body
    if tamper:
        block = tamper(bytearray(block))
    start = len(bmp)
    block += struct.pack("<II", zlib.crc32(block), start) + b"KOVAEND\0"
    whole = bytearray(bmp + block)
    whole[2:6] = struct.pack("<I", len(whole))
    return bytes(whole)


def flip(at):
    """Changes one byte after the block is sealed, so that its checksum no longer matches."""
    def changed(data):
        data = bytearray(data)
        data[at] ^= 1
        return bytes(data)
    return changed


def put(at, value):
    """Writes a number into the block before it is sealed."""
    def changed(block):
        block[at:at + 4] = struct.pack("<I", value)
        return bytes(block)
    return changed


out.mkdir(parents=True, exist_ok=True)
two = [item(1, 1, "a", [1]), item(2, 2, "b", [0, -1])]
fixtures = {
    "empty.bmp": diagram(bitmap(2, 2), [], 2, 2),
    "items.bmp": diagram(bitmap(8, 4), [item(1, 1, "idea", [1, -1]), item(5, 2, "next", [0], flags=0)], 8, 4,
                         b"\x00\x00\xff\x00"),
    "japanese.bmp": diagram(bitmap(4, 4, b"\x10\x20\x30\x00"),
                            [item(0, 0, "発想", [2], style=15, colour=0x0000FF, pen_width=10),
                             item(2, 2, "", flags=3), item(3, 1, "ソフト表", [0, -1, 0], face="IPAGothic")],
                            4, 4),
    "profile.bmp": bitmap(2, 2, b"\x00\x80\xff\x00", v5_profile=b"\x00\x00\x00\x30acsp" + bytes(40)),
    # Damaged diagrams, one for each way a block can fail.
    "truncated.bmp": diagram(bitmap(2, 2), two, 2, 2)[:-10],
    "checksum.bmp": flip(200)(diagram(bitmap(2, 2), two, 2, 2)),
    "future.bmp": diagram(bitmap(2, 2), two, 2, 2, version=2),
    "items-over.bmp": diagram(bitmap(2, 2), two, 2, 2, tamper=put(16, 1001)),
    "links-over.bmp": diagram(bitmap(2, 2), [item(0, 0, "a", [0] * 101)], 2, 2),
    "link-target.bmp": diagram(bitmap(2, 2), [item(0, 0, "a"), item(1, 1, "b", [2])], 2, 2),
    "length-over.bmp": diagram(bitmap(2, 2), two, 2, 2, tamper=put(16 + 4 + 8, 60000)),  # the first text
    "layer-short.bmp": diagram(bitmap(2, 2), two, 2, 2, layer_rows=1),
}
for name, data in fixtures.items():
    (out / name).write_bytes(data)
# What an imaging component reads of items.bmp: the picture alone, as a binary PPM.
(out / "items.bmp.ppm").write_bytes(b"P6\n8 4\n255\n" + b"\xff" * (8 * 4 * 3))

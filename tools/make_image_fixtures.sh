#!/bin/bash
# Regenerates the picture fixtures of our picture plug-in in tests/data/images with ImageMagick,
# and, next to each, the pixels ImageMagick reads from it: binary PPM, or PAM when it has alpha.
# The pictures beyond the host's size limits are written by hand (ImageMagick's own limits
# are lower).
#
#   tools/make_image_fixtures.sh
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$root/tests/data/images"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

# A 13 by 7 picture (odd width, so DIB rows are padded) as plain PNM; with "alpha" it has
# a different opacity in every pixel.
source_picture() {
    local kind=$1 x y
    {
        if [[ $kind == alpha ]]; then
            echo "P7 WIDTH 13 HEIGHT 7 DEPTH 4 MAXVAL 255 TUPLTYPE RGB_ALPHA ENDHDR"
        else
            echo "P3 13 7 255"
        fi
        for ((y = 0; y < 7; y++)); do
            for ((x = 0; x < 13; x++)); do
                echo -n "$(((x * 20 + y * 3) % 256)) $(((y * 40 + x * 7) % 256)) $(((x * y * 11 + 60) % 256))"
                [[ $kind == alpha ]] && echo -n " $(((x * 19 + y * 30) % 256))"
                echo
            done
        done
    } >"$work/$kind.txt"
}

# The PNG colour type (byte 25, in the header chunk) and bit depth (byte 24) that ImageMagick chose.
png_header() { od -An -t u1 -j 24 -N 2 "$1" | tr -s ' ' | sed 's/^ //'; }

expect_png_header() {
    local got
    got=$(png_header "$out/$1")
    if [[ $got != "$2" ]]; then
        echo "$1: PNG bit depth and colour type $got; expected $2" >&2
        exit 1
    fi
}

source_picture full
# P7 text is not a format ImageMagick reads; write the binary PAM from the text by hand.
source_picture alpha
{
    printf 'P7\nWIDTH 13\nHEIGHT 7\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n'
    tail -n +2 "$work/alpha.txt" | tr ' ' '\n' | awk '{ printf "%c", $1 }'
} >"$work/alpha.pam"
convert "$work/full.txt" -depth 8 "$work/full.ppm"

# No dates or colour chunks in the files, so that a rerun writes the same bytes.
png="-strip -define png:exclude-chunks=date,time,gAMA,cHRM,bKGD"
convert "$work/full.ppm" $png PNG8:"$out/palette.png"
expect_png_header palette.png "8 3"
convert "$work/full.ppm" -colorspace Gray -depth 8 $png -define png:color-type=0 PNG:"$out/grey.png"
expect_png_header grey.png "8 0"
convert "$work/alpha.pam" -depth 8 $png -define png:color-type=6 PNG:"$out/rgba.png"
expect_png_header rgba.png "8 6"
# Sixteen bits whose low byte matters: not a mere copy of an 8-bit picture.
convert "$work/full.ppm" -depth 16 -evaluate multiply 0.9 $png PNG48:"$out/deep.png"
expect_png_header deep.png "16 2"
convert "$work/full.ppm" -strip -quality 90 -sampling-factor 1x1 -interlace None JPEG:"$out/baseline.jpg"
convert "$work/full.ppm" -strip -quality 90 -sampling-factor 1x1 -interlace JPEG JPEG:"$out/progressive.jpg"
convert "$work/full.ppm" GIF:"$out/full.gif"
# Two frames; the first has transparent pixels, the second none.
convert "$work/alpha.pam" -channel A -threshold 50% +channel \( "$work/full.ppm" -negate \) -loop 0 \
        GIF:"$out/animated.gif"
convert "$work/full.ppm" -compress None TIFF:"$out/plain.tif"
convert "$work/full.ppm" -compress LZW TIFF:"$out/lzw.tif"
# Its extra sample is unassociated alpha.
convert "$out/rgba.png" -compress LZW TIFF:"$out/rgba.tif"
# Without an orientation ImageMagick marks its TGA rows bottom-up but writes them top-down; it
# reads the origin into an orientation that only -auto-orient applies.
convert "$work/full.ppm" -compress None -orient TopLeft TGA:"$out/full.tga"
convert "$work/full.ppm" -flip -compress None -orient BottomLeft TGA:"$out/bottomup.tga"

# What ImageMagick reads back from each file is what the plug-in must decode.
for f in palette.png grey.png deep.png baseline.jpg progressive.jpg full.gif plain.tif lzw.tif full.tga bottomup.tga; do
    convert "$out/$f" -auto-orient -depth 8 PPM:"$out/$f.ppm"
done
convert "$out/rgba.png" -depth 8 PAM:"$out/rgba.png.pam"
convert "$out/animated.gif[0]" -depth 8 PAM:"$out/animated.gif.pam"

# Sound black pictures just beyond the limits: 40000 pixels wide (more than 32768 on a side),
# and 8200 by 8200 (more than 64 Mi pixels). One bit per pixel keeps the files small.
python3 - "$out" <<'PY'
import struct, sys, zlib

def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

def png(path, width, height):
    row = b"\0" + bytes((width + 7) // 8)
    rows = zlib.compress(row * height, 9)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 1, 0, 0, 0, 0))
                + chunk(b"IDAT", rows) + chunk(b"IEND", b""))

# 8200 by 8200 RGB, 192 MiB decoded, behind 70 KB of text: its alpha is known only past the
# text, so a plug-in that looks at a fixed window of the head opens a decoder for its info.
def png_behind_text(path, width, height):
    raw = zlib.compressobj(9)
    row = bytes(1 + 3 * width)
    rows = b"".join(raw.compress(row) for _ in range(height)) + raw.flush()
    text = b"".join(chunk(b"tEXt", b"Comment\0" + bytes([65 + i % 26]) * 7000) for i in range(10))
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
                + text + chunk(b"IDAT", rows) + chunk(b"IEND", b""))

# The same width as a TIFF: a format whose size the plug-in learns only from the decoder.
def tiff(path, width):
    row = bytes((width + 7) // 8)
    runs = [row[i:i + 128] for i in range(0, len(row), 128)]
    packed = b"".join(bytes([257 - len(run)]) + run[:1] for run in runs)
    entries = [(256, 4, width), (257, 4, 1), (258, 3, 1), (259, 3, 32773), (262, 3, 1),
               (273, 4, 0), (277, 3, 1), (278, 4, 1), (279, 4, len(packed))]
    ifd_size = 2 + 12 * len(entries) + 4
    data_at = 8 + ifd_size
    ifd = struct.pack("<H", len(entries))
    for tag, kind, value in entries:
        value = data_at if tag == 273 else value
        ifd += struct.pack("<HHI", tag, kind, 1) + (struct.pack("<HH", value, 0) if kind == 3 else struct.pack("<I", value))
    with open(path, "wb") as f:
        f.write(b"II*\0" + struct.pack("<I", 8) + ifd + struct.pack("<I", 0) + packed)

out = sys.argv[1]
png(out + "/wide.png", 40000, 1)
png(out + "/huge.png", 8200, 8200)
tiff(out + "/wide.tif", 40000)
png_behind_text(out + "/huge_text.png", 8200, 8200)
PY
echo "fixtures written to $out"

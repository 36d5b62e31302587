#!/bin/bash
# Regenerates the bitmap file fixtures in tests/data/bmp with ImageMagick, an encoder
# independent of ours, and the expected pixels as binary PPM files.
#
#   tools/make_bmp_fixtures.sh [BUILD_DIR]
#
# With a build directory, also has test_surface.exe write bitmaps with our encoder and checks
# that ImageMagick reads back the same pixels.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$root/tests/data/bmp"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

# A 13 by 7 picture (odd width, so rows are padded) as a plain PPM; the kind picks the colours.
source_ppm() {
    local kind=$1 x y
    {
        echo "P3 13 7 255"
        for ((y = 0; y < 7; y++)); do
            for ((x = 0; x < 13; x++)); do
                case $kind in
                full) echo "$(((x * 20 + y * 3) % 256)) $(((y * 40 + x * 7) % 256)) $(((x * y * 11 + 60) % 256))" ;;
                c16) echo "$(((x % 4) * 85)) $(((y % 4) * 85)) $((((x + y) % 2) * 255))" ;;
                bw) if (((x + y) % 3 == 0)); then echo "0 0 0"; else echo "255 255 255"; fi ;;
                esac
            done
        done
    } >"$work/$kind.txt"
    convert "$work/$kind.txt" -depth 8 "$out/$kind.ppm"
}

# Little-endian unsigned value of n bytes at an offset.
field() {
    local file=$1 offset=$2 n=$3
    od -An -t u$n -j "$offset" -N "$n" --endian=little "$file" | tr -d ' '
}

# fixture NAME SOURCE "HEADER_SIZE BITS COMPRESSION" FORMAT convert-options...
# Checks that ImageMagick wrote what the test's table expects of the file.
fixture() {
    local name=$1 src=$2 want=$3 format=$4
    shift 4
    local f="$out/$name.bmp" size bits comp=0
    convert "$out/$src.ppm" "$@" "$format:$f"
    size=$(field "$f" 14 4)
    if [[ $size == 12 ]]; then
        bits=$(field "$f" 24 2)
    else
        bits=$(field "$f" 28 2)
        comp=$(field "$f" 30 4)
    fi
    if [[ "$size $bits $comp" != "$want" ]]; then
        echo "$name.bmp: header $size, $bits bits, compression $comp; expected $want" >&2
        exit 1
    fi
}

source_ppm full
source_ppm c16
source_ppm bw

fixture full_core_24 full "12 24 0" BMP2
fixture full_info_24 full "40 24 0" BMP3
fixture full_v5_24 full "124 24 0" BMP
fixture full_core_8 full "12 8 0" BMP2 -type Palette -compress None
fixture full_info_8 full "40 8 0" BMP3 -type Palette -compress None
fixture full_v5_8 full "124 8 0" BMP -type Palette -compress None
fixture full_info_8_rle full "40 8 1" BMP3 -type Palette -compress RLE
fixture full_v5_8_rle full "124 8 1" BMP -type Palette -compress RLE
fixture full_v5_32_alpha full "124 32 3" BMP -type TrueColorAlpha
fixture full_v5_16_565 full "124 16 3" BMP -define bmp:subtype=RGB565
fixture full_v5_16_555 full "124 16 3" BMP -define bmp:subtype=RGB555
fixture c16_core_4 c16 "12 4 0" BMP2 -type Palette -compress None
fixture c16_info_4 c16 "40 4 0" BMP3 -type Palette -compress None
fixture c16_v5_4 c16 "124 4 0" BMP -type Palette -compress None
fixture c16_info_8_rle c16 "40 8 1" BMP3 -type Palette -compress RLE
fixture bw_core_1 bw "12 1 0" BMP2 -type Bilevel
fixture bw_info_1 bw "40 1 0" BMP3 -type Bilevel
fixture bw_v4_1 bw "108 1 0" BMP -type Bilevel
echo "fixtures written to $out"

# Our encoder, read back by ImageMagick.
if [[ $# -ge 1 ]]; then
    source "$root/tools/env.sh"
    exe="$1/tests/test_surface.exe"
    KOVA_BMP_WRITE_DIR="$(winepath -w "$work")" wine "$exe" --gtest_filter='BmpWritten.*' >"$work/log" 2>&1 ||
        { cat "$work/log" >&2; exit 1; }
    for f in written_8 written_32; do
        [[ -f "$work/$f.bmp" ]] || { echo "$f.bmp was not written" >&2; exit 1; }
        convert "$work/$f.bmp" -depth 8 "$work/$f.ppm"
        diff=$(compare -metric AE "$out/full.ppm" "$work/$f.ppm" null: 2>&1 || true)
        if [[ $diff != 0 ]]; then
            echo "$f.bmp: ImageMagick reads $diff pixels differently" >&2
            exit 1
        fi
        echo "$f.bmp: ImageMagick reads the same pixels"
    done
fi

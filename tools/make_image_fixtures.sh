#!/bin/bash
# Regenerates the picture fixtures of our stb_image plug-in in tests/data/images with ImageMagick,
# and, next to each, the pixels ImageMagick reads from it: binary PPM, or PAM when it has alpha.
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

# The PNG colour type (byte 25, in the header chunk) that ImageMagick chose.
png_type() { od -An -t u1 -j 25 -N 1 "$1" | tr -d ' '; }

expect_png_type() {
    local got
    got=$(png_type "$out/$1")
    if [[ $got != "$2" ]]; then
        echo "$1: PNG colour type $got; expected $2" >&2
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

convert "$work/full.ppm" -depth 8 PPM:"$out/full.ppm"
# No dates or colour chunks in the files, so that a rerun writes the same bytes.
png="-strip -define png:exclude-chunks=date,time,gAMA,cHRM,bKGD"
convert "$work/full.ppm" $png PNG8:"$out/palette.png"
expect_png_type palette.png 3
convert "$work/full.ppm" -colorspace Gray -depth 8 $png -define png:color-type=0 PNG:"$out/grey.png"
expect_png_type grey.png 0
convert "$work/alpha.pam" -depth 8 $png -define png:color-type=6 PNG:"$out/rgba.png"
expect_png_type rgba.png 6
convert "$work/full.ppm" -strip -quality 90 -sampling-factor 1x1 -interlace None JPEG:"$out/baseline.jpg"
convert "$work/full.ppm" -strip -quality 90 -sampling-factor 1x1 -interlace JPEG JPEG:"$out/progressive.jpg"
convert "$work/full.ppm" GIF:"$out/full.gif"
# Without an orientation ImageMagick marks its TGA rows bottom-up but writes them top-down; it
# reads the origin into an orientation that only -auto-orient applies.
convert "$work/full.ppm" -compress None -orient TopLeft TGA:"$out/full.tga"
convert "$work/full.ppm" -flip -compress None -orient BottomLeft TGA:"$out/bottomup.tga"
convert "$work/full.ppm" PSD:"$out/full.psd"

# What ImageMagick reads back from each file is what the plug-in must decode.
for f in palette.png grey.png baseline.jpg progressive.jpg full.gif full.tga bottomup.tga; do
    convert "$out/$f" -auto-orient -depth 8 PPM:"$out/$f.ppm"
done
# A PSD reads as the composite picture and then its layer; the composite is what counts.
convert "$out/full.psd[0]" -depth 8 PPM:"$out/full.psd.ppm"
convert "$out/rgba.png" -depth 8 PAM:"$out/rgba.png.pam"
echo "fixtures written to $out"

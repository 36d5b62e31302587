#!/usr/bin/env bash
# With our picture plug-in next to kova.exe: the open dialog lists its first format, PNG, right
# after the bitmap entry; a PNG and a JPEG made by ImageMagick are loaded through 画像読み込み
# and stamped with the right button, and the saved sheet holds their pixels.
set -euo pipefail
exe="$1"
out="$2"
combo_items="$3"
here="$(dirname "$0")"
source "$here/lib.sh"

[ -f "$(dirname "$exe")/ifwic.spi" ] || fail "ifwic.spi is not next to kova.exe"
fresh_work_dir e2e-png
# Four coloured quadrants, 8 by 8 pixels each: one JPEG block apiece. The JPEG has them
# mirrored, so that it cannot pass for the PNG stamped again.
convert -size 8x8 xc:'#FF0000' xc:'#00C000' +append \( -size 8x8 xc:'#0000FF' xc:'#FFFF00' +append \) \
        -append "$work/stamp.ppm"
convert "$work/stamp.ppm" "PNG24:$work/stamp.png"
convert "$work/stamp.ppm" -flop -quality 95 -sampling-factor 1x1 "JPEG:$work/stamp.jpg"

start_kova "$exe"
win=$(wait_window "KOVA　Ver0.5") || fail "main window not shown"
sub=$(wait_window "サブウィンドウ") || fail "sub-window not shown"
sleep 0.3
open_dialog
# The PNG entry is named by the platform's decoder ("PNG Decoder" under Wine).
types=$(wine "$combo_items" "開く" "$file_types" | tr -d '\r' | grep -v '^$' | head -n 2 | tr '\n' '|')
[[ "$types" == "ビットマップ|"*PNG*"|" ]] || fail "open dialog types: $types"
choose_file "$work/stamp.png"

sheet_origin "$win"
click_at 500 360
drag 3 100 100 100 100
open_dialog
choose_file "$work/stamp.jpg"
click_at 500 360
drag 3 200 100 200 100
at 500 370
save_as "$(winepath -w "$work")\\sheet"
[ -f "$work/sheet.bmp" ] || fail "no sheet.bmp written"
/usr/bin/python3 - "$work/sheet.bmp" <<'PY' || fail "the stamps' pixels are not on the sheet"
import sys
from PIL import Image
px = Image.open(sys.argv[1]).convert("RGB").load()
red, green, blue, yellow = (255, 0, 0), (0, 192, 0), (0, 0, 255), (255, 255, 0)
quadrants = {"png": (red, green, blue, yellow), "jpeg": (green, red, yellow, blue)}
# The PNG exactly, the JPEG within its loss.
for name, left, tolerance in (("png", 100, 0), ("jpeg", 200, 8)):
    for (x, y), want in zip(((3, 3), (11, 3), (3, 11), (11, 11)), quadrants[name]):
        got = px[left + x, 100 + y]
        if max(abs(g - w) for g, w in zip(got, want)) > tolerance:
            sys.exit(f"{name} stamp at {left + x},{100 + y}: {got}, expected {want}")
    print(f"{name} stamp: four quadrants on the sheet")
PY
kill "$kova_pid" 2>/dev/null || true
echo "png: ok"

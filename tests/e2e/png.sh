#!/usr/bin/env bash
# With our picture plug-in next to kova.exe: the open dialog lists its first format after the
# bitmap entry, a PNG made by ImageMagick is loaded through 画像読み込み and stamped with the
# right button, and the saved sheet holds its pixels.
set -euo pipefail
exe="$1"
out="$2"
combo_items="$3"
here="$(dirname "$0")"
source "$here/lib.sh"

[ -f "$(dirname "$exe")/ifstb.spi" ] || fail "ifstb.spi is not next to kova.exe"
fresh_work_dir e2e-png
# Four coloured quadrants, 8 by 8 pixels each.
convert -size 8x8 xc:'#FF0000' xc:'#00C000' +append \( -size 8x8 xc:'#0000FF' xc:'#FFFF00' +append \) \
        -append "PNG24:$work/stamp.png"

start_kova "$exe"
win=$(wait_window "KOVA　Ver0.5") || fail "main window not shown"
sub=$(wait_window "サブウィンドウ") || fail "sub-window not shown"
sleep 0.3
eval "$(xdotool getwindowgeometry --shell "$sub")"
xdotool mousemove $((X + 275)) $((Y + 65)) click 1
wait_window "開く" >/dev/null || fail "open dialog not shown"
sleep 0.3
types=$(wine "$combo_items" "開く" "$file_types" | tr -d '\r' | grep -v '^$' | head -n 2 | tr '\n' ' ')
[ "$types" = "ビットマップ PNG画像 " ] || fail "open dialog types: $types"
xdotool type --delay 20 "$(winepath -w "$work/stamp.png")"
xdotool key Return
sleep 1

sheet_origin "$win"
click_at 500 360
drag 3 100 100 100 100
at 500 370
save_as "$(winepath -w "$work")\\sheet"
[ -f "$work/sheet.bmp" ] || fail "no sheet.bmp written"
/usr/bin/python3 - "$work/sheet.bmp" <<'PY' || fail "the stamp's pixels are not on the sheet"
import sys
from PIL import Image
px = Image.open(sys.argv[1]).convert("RGB").load()
want = {(103, 103): (255, 0, 0), (111, 103): (0, 192, 0), (103, 111): (0, 0, 255), (111, 111): (255, 255, 0)}
got = {p: px[p] for p in want}
if got != want:
    sys.exit(f"stamped pixels {got}, expected {want}")
print("png stamp: four quadrants on the sheet")
PY
kill "$kova_pid" 2>/dev/null || true
echo "png: ok"

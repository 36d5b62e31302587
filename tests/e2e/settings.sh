#!/usr/bin/env bash
# Sets a red width-3 pen through the real pen and colour dialogs, loads a stamp picture made
# by ImageMagick through the sub-window's real open dialog, draws and stamps on the sheet,
# saves it and checks the file with an independent reader. Screenshots of the sub-window
# and the pen dialog are kept beside the saved sheet.
set -euo pipefail
exe="$1"
out="${2:-$(dirname "$exe")}"
here="$(dirname "$0")"
source "$here/lib.sh"

fresh_work_dir e2e-settings
convert -size 6x6 xc:'#0000FF' "BMP3:$work/stamp.bmp"

start_kova "$exe"
win=$(wait_window "KOVA　Ver0.5") || fail "main window not shown"
sub=$(wait_window "サブウィンドウ") || fail "sub-window not shown"
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$sub")"
[ "$X,$Y,$WIDTH,$HEIGHT" = "2,105,337,211" ] || fail "sub-window at $X,$Y size ${WIDTH}x$HEIGHT"
sx=$X
sy=$Y
import -window root "$work/sub-window.png"

# ペンの設定: the colour panel opens the colour dialog, red is the first basic colour of
# its second row; the width list goes two entries down to 3pixel.
xdotool mousemove $((sx + 48)) $((sy + 65)) click 1
pen=$(wait_window "線の設定") || fail "pen dialog not shown"
sleep 0.3
eval "$(xdotool getwindowgeometry --shell "$pen")"
px=$X
py=$Y
xdotool mousemove $((px + 142)) $((py + 62)) click 1
colour=$(wait_window "^色$") || fail "colour dialog not shown"
sleep 0.3
eval "$(xdotool getwindowgeometry --shell "$colour")"
xdotool mousemove $((X + 22)) $((Y + 77)) click 1
sleep 0.2
xdotool mousemove $((X + 52)) $((Y + 304)) click 1
sleep 0.5
xdotool mousemove $((px + 190)) $((py + 166)) click 1
sleep 0.3
xdotool key Down Down Return
sleep 0.3
import -window root "$work/pen-dialog.png"
xdotool mousemove $((px + 240)) $((py + 208)) click 1
sleep 0.5

# 画像読み込み through the real open dialog.
open_dialog
choose_file "$work/stamp.bmp"

# On the sheet: a free-hand line with the red pen, then a right drag on empty sheet.
sheet_origin "$win"
click_at 500 360
drag 1 40 300 240 300
drag 3 40 100 240 100
at 500 370

save_as "$(winepath -w "$work")\\sheet"
[ -f "$work/sheet.bmp" ] || fail "no sheet.bmp written"
/usr/bin/python3 "$here/check_settings.py" "$work/sheet.bmp" || fail "saved sheet"
kill "$kova_pid" 2>/dev/null || true
echo "settings: ok"

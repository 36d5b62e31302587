#!/usr/bin/env bash
# The keyboard as in any Windows dialog: in the sub-window, Tab from the first tab stop to
# "ペンの設定" and Space; in the pen dialog, keys only: the width list set to 3 and Alt+O,
# then Alt+C and Esc, which change nothing. Two free-hand lines drawn after the OK and
# after the cancels, saved through the menu reached with F10, must both be 3 pixels thick.
set -euo pipefail
exe="$1"
out="${2:-$(dirname "$exe")}"
here="$(dirname "$0")"
source "$here/lib.sh"

fresh_work_dir e2e-keyboard
start_kova "$exe"
win=$(wait_window "KOVA　Ver0.5") || fail "main window not shown"
sub=$(wait_window "サブウィンドウ") || fail "sub-window not shown"
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$sub")"
sx=$X
sy=$Y

# A click on the caption activates the sub-window, whose first tab stop has the focus: the
# page's tab. From there its tab order gives フォント設定, 自動円, 画像読み込み, the tree
# view, then ペンの設定.
xdotool mousemove $((sx + 150)) $((sy + 10)) click 1
sleep 0.3
xdotool key --delay 100 Tab Tab Tab Tab Tab space
wait_window "線の設定" >/dev/null || fail "Space on the fifth tab stop did not open the pen dialog"
sleep 0.3
# The focus starts on the style list; the width list is the next stop.
xdotool key --delay 100 Tab Down Down
sleep 0.3
import -window root "$work/pen-dialog.png"
xdotool key alt+o
wait_gone "線の設定" || fail "Alt+O did not close the pen dialog"

sheet_origin "$win"
click_at 500 360
drag 1 40 300 240 300

# Opened again from the sub-window: Alt+C and Esc cancel.
for cancel in alt+c Escape; do
    xdotool mousemove $((sx + 48)) $((sy + 65)) click 1
    wait_window "線の設定" >/dev/null || fail "pen dialog not shown again"
    sleep 0.3
    xdotool key "$cancel"
    wait_gone "線の設定" || fail "$cancel did not close the pen dialog"
done

click_at 500 360
drag 1 40 200 240 200
at 500 370
save_as "$(winepath -w "$work")\\sheet" keys
[ -f "$work/sheet.bmp" ] || fail "no sheet.bmp written"
/usr/bin/python3 "$here/check_lines.py" "$work/sheet.bmp" 140 200 300 || fail "saved sheet"
kill "$kova_pid" 2>/dev/null || true
echo "keyboard: ok"

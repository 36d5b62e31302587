#!/usr/bin/env bash
# A new user's round: draw, save, close, start kova.exe with the file, and go on editing; then
# Ctrl+O opens it again, and 画像読み込み of it asks whether to open the diagram; No stamps it.
set -euo pipefail
exe="$1"
out="${2:-$(dirname "$exe")}"
here="$(dirname "$0")"
source "$here/lib.sh"

fresh_work_dir e2e-reopen
saved="$(winepath -w "$work")\\reopen"

items() { /usr/bin/python3 "$here/check_reopen.py" "$work/$1.bmp" | tr '\n' '|'; }

start_kova "$exe"
win=$(wait_window "KOVA　Ver0.5") || fail "main window not shown"
sleep 0.5
sheet_origin "$win"
double_click_at 60 60
type_item 60 60 "Alpha" new
double_click_at 300 200
type_item 300 200 "企画" new
at 461 31
drag 1 70 68 312 208
drag 1 100 320 250 360
shot before
save_as "$saved"
identify -regard-warnings "$work/reopen.bmp" >/dev/null || fail "ImageMagick warns about the saved sheet"
[ "$(items reopen)" = "63 63 Alpha|303 203 企画|" ] || fail "saved items: $(items reopen)"
kill "$kova_pid"
wait_exit || fail "kova.exe did not end"

start_kova "$exe" /dev/null "$(winepath -w "$work/reopen.bmp")"
win=$(wait_window "KOVA　Ver0.5") || fail "main window not shown with the file"
sub=$(wait_window "サブウィンドウ") || fail "sub-window not shown"
sleep 0.5
sheet_origin "$win"
shot after before || fail "the reopened sheet differs"

# The items are editable: a double-click opens the text, a right drag moves the other item.
double_click_at 66 66
type_item 63 63 "2"
drag 3 310 208 350 260
save_as "$saved-edited"
[ "$(items reopen-edited)" = "63 63 Alpha2|343 255 企画|" ] || fail "edited items: $(items reopen-edited)"

# Ctrl+O in the sub-window opens the first save again.
caption "$sub"
xdotool key ctrl+o
wait_window "開く" >/dev/null || fail "Ctrl+O showed no open dialog"
sleep 0.3
choose_file "$work/reopen.bmp"
caption "$win"
shot again before || fail "Ctrl+O did not open it"

# 画像読み込み of the diagram asks; No makes it the stamp picture, which a right click stamps.
open_dialog
choose_file "$work/reopen.bmp"
box=$(message_box) || fail "no question for a file with a diagram"
answer n
shot unstamped
at 400 250
xdotool click 3
sleep 0.2
shot stamped unstamped && fail "No did not stamp"

kill "$kova_pid" 2>/dev/null || true
echo "reopen: ok"

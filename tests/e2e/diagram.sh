#!/usr/bin/env bash
# Draws a diagram in the real kova.exe with real pointer and key events, saves it through the
# real save dialog and checks the file with an independent reader.
set -euo pipefail
exe="$1"
out="${2:-$(dirname "$exe")}"
here="$(dirname "$0")"
source "$here/lib.sh"

fresh_work_dir e2e-diagram
saved="$(winepath -w "$work")\\diagram"

start_kova "$exe"
win=$(wait_window "KOVA　Ver0.5") || fail "main window not shown"
sleep 0.5
sheet_origin "$win"

# Types text into the open editor: a click into it gives it the keys, and the old text goes.
type_item() {
    click_at $(($1 + 8)) $(($2 + 8))
    xdotool key End
    xdotool key --repeat 30 --delay 10 BackSpace
    xdotool type --delay 30 "$3"
}

# Two items, each committed by a click on empty sheet, then a move that redraws.
double_click_at 60 60
type_item 60 60 "Alpha"
click_at 460 30
at 461 31
double_click_at 300 200
type_item 300 200 "企画"
click_at 460 30
at 461 31

# Link Alpha to 企画, move 企画 with the right button, draw a free-hand line.
drag 1 70 68 312 208
drag 3 310 208 350 260
drag 1 100 320 250 360

# 表示: anti-aliased text off and on again, through the real menu.
menu_entry 60 3
menu_entry 60 3
at 480 20
import -window root "$work/screen.png"

# ファイル → 保存, a name without extension.
save_as "$saved"
[ -f "$work/diagram.bmp" ] || fail "no diagram.bmp written"
/usr/bin/python3 "$here/check_diagram.py" "$work/diagram.bmp" || fail "saved diagram"

# Ctrl+C puts the same sheet on the clipboard, read from outside Wine.
xdotool key ctrl+c
sleep 0.5
xclip -selection clipboard -t image/bmp -o >"$work/clip.bmp" || fail "no picture on the clipboard"
/usr/bin/python3 -c 'import sys; from PIL import Image
a, b = (Image.open(f).convert("RGB") for f in sys.argv[1:])
sys.exit(a.size != b.size or a.tobytes() != b.tobytes())' "$work/clip.bmp" "$work/diagram.bmp" ||
    fail "the clipboard's picture is not the saved sheet"

# New, then save again: a blank sheet.
menu_entry 15 1
save_as "$saved-blank"
/usr/bin/python3 "$here/check_diagram.py" --blank "$work/diagram-blank.bmp" || fail "blank sheet"

kill "$kova_pid" 2>/dev/null || true
echo "diagram: ok"

#!/usr/bin/env bash
# Starts the real kova.exe with fixture plug-ins copied next to it. With sound plug-ins it
# starts as usual; with one that loads but lacks an export its kind requires, the message
# is shown and the program ends once the user closes it. A picture is still stamped when the
# plug-ins for its extension fault, two of them by overflowing the stack, and the next returns
# one handle for both blocks, and Wine sees no handle freed twice.
# Usage: plugins.sh KOVA_EXE SPI_FIXTURE_DIR COMBO_ITEMS_EXE
set -euo pipefail
exe="$1"
spi="$2"
combo_items="$3"
source "$(dirname "$0")/lib.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$exe" "$work/kova.exe"

# Sound plug-ins of every kind: the main window comes up and no message box.
cp "$spi/in_a.spi" "$spi/in_two.spi" "$spi/am.spi" "$spi/xn.spi" "$work/"
start_kova "$work/kova.exe"
win=$(wait_window "KOVA　Ver0.5") || fail "main window not shown with sound plug-ins"
sleep 0.5
if message_box now >/dev/null; then
    fail "a message box appeared with sound plug-ins"
fi
# The open dialog of 画像読み込み lists the bitmap entry, then each module's first format.
sub=$(wait_window "サブウィンドウ") || fail "sub-window not shown"
eval "$(xdotool getwindowgeometry --shell "$sub")"
xdotool mousemove $((X + 275)) $((Y + 65)) click 1
wait_window "開く" >/dev/null || fail "open dialog not shown"
sleep 0.3
types=$(wine "$combo_items" "開く" "$file_types" | tr -d '\r' | grep -v '^$')
[ "$(head -n 1 <<<"$types")" = "ビットマップ" ] || fail "the bitmap entry does not come first: $types"
for d in "Fixture A" "Fixture BC" "Fixture archive" "Fixture XN format"; do
    grep -qx "$d" <<<"$types" || fail "open dialog lacks '$d': $types"
done
xdotool key Escape
sleep 0.3
eval "$(xdotool getwindowgeometry --shell "$win")"
xdotool mousemove $((X + WIDTH - 12)) $((Y + 12)) click 1
wait_exit || fail "closing the window did not end the program"
echo "plugins: sound plug-ins start and are offered by the open dialog: ok"

# A picture plug-in without GetPicture, beside a sound one.
rm -f "$work"/*.spi
cp "$spi/in_a.spi" "$work/"
cp "$spi/in_no_getpicture.spi" "$work/broken.spi"
start_kova "$work/kova.exe"
box=$(message_box) || fail "no message box for the broken plug-in"
if xdotool search --onlyvisible --name "KOVA　Ver0.5" >/dev/null 2>&1; then
    fail "the main window was shown although its loading failed"
fi
# Keys reach the box only once it has the X focus: click on its text, then Enter.
eval "$(xdotool getwindowgeometry --shell "$box")"
xdotool mousemove $((X + WIDTH / 2)) $((Y + 40)) click 1
sleep 0.2
xdotool key Return
wait_exit || fail "the program went on after the message"
rc=0
wait "$kova_pid" || rc=$?
[ "$rc" -ne 0 ] || fail "the program ended with exit code 0"
echo "plugins: broken plug-in ends the program (exit code $rc): ok"

# Three plug-ins that fault, tried first for their own extension, then one that returns one
# handle for the header and the pixels. With Wine's warnings on local memory logged.
rm -f "$work"/*.spi
cp "$spi/in_fault.spi" "$spi/in_shared.spi" "$work/"
cp "$spi/in_overflow.spi" "$work/a.spi"
cp "$spi/in_overflow.spi" "$work/b.spi"
printf 'any picture' >"$work/pic.fxf"
WINEDEBUG=warn+globalmem start_kova "$work/kova.exe" "$work/wine.log"
win=$(wait_window "KOVA　Ver0.5") || fail "main window not shown"
sub=$(wait_window "サブウィンドウ") || fail "sub-window not shown"
sleep 0.3
open_dialog
choose_file "$work/pic.fxf"
if message_box now >/dev/null; then
    fail "a message box appeared although the second plug-in decodes the picture"
fi
# Stamped at (100, 100): the 2 by 1 picture's pixels are the block's first bytes, the
# header's size 40 and width 2, as blue, green, red.
sheet_origin "$win"
click_at 500 360
drag 3 100 100 100 100
at 500 370
save_as "$(winepath -w "$work")\\sheet"
[ -f "$work/sheet.bmp" ] || fail "no sheet.bmp written after the load"
/usr/bin/python3 - "$work/sheet.bmp" <<'PY' || fail "the shared block's picture is not on the sheet"
import sys
from PIL import Image
px = Image.open(sys.argv[1]).convert("RGB").load()
got = (px[100, 100], px[101, 100])
if got != ((0, 0, 40), (0, 2, 0)):
    sys.exit(f"stamped pixels {got}")
PY
kill "$kova_pid" 2>/dev/null || true
wait "$kova_pid" 2>/dev/null || true
if grep -a 'invalid handle' "$work/wine.log"; then
    fail "Wine saw a handle freed that was not ours or no longer allocated"
fi
echo "plugins: a fault and two stack overflows, then one block for both: stamped, nothing freed twice: ok"

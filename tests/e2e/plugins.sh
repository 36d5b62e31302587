#!/usr/bin/env bash
# Starts the real kova.exe with fixture plug-ins copied next to it. With sound plug-ins it
# starts as usual; with one that loads but lacks an export its kind requires, the message
# is shown and the program ends once the user closes it.
# Usage: plugins.sh KOVA_EXE SPI_FIXTURE_DIR
set -euo pipefail
exe="$1"
spi="$2"
source "$(dirname "$0")/lib.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$exe" "$work/kova.exe"

# Sound plug-ins of every kind: the main window comes up and no message box.
cp "$spi/in_a.spi" "$spi/in_two.spi" "$spi/am.spi" "$spi/xn.spi" "$work/"
start_kova "$work/kova.exe"
win=$(wait_window "KOVA　Ver0.5") || fail "main window not shown with sound plug-ins"
sleep 0.5
if xdotool search --onlyvisible --name '^KO-VA$' >/dev/null 2>&1; then
    fail "a message box appeared with sound plug-ins"
fi
eval "$(xdotool getwindowgeometry --shell "$win")"
xdotool mousemove $((X + WIDTH - 12)) $((Y + 12)) click 1
wait_exit || fail "closing the window did not end the program"
echo "plugins: sound plug-ins start: ok"

# A picture plug-in without GetPicture, beside a sound one.
rm -f "$work"/*.spi
cp "$spi/in_a.spi" "$work/"
cp "$spi/in_no_getpicture.spi" "$work/broken.spi"
start_kova "$work/kova.exe"
box=$(wait_window '^KO-VA$') || fail "no message box for the broken plug-in"
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

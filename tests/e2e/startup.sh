#!/usr/bin/env bash
# Starts the real kova.exe, looks at its main window from outside and closes it with the
# close box, as a user would.
set -euo pipefail
exe="$1"
out="${2:-$(dirname "$exe")}"
source "$(dirname "$0")/lib.sh"

start_kova "$exe"
win=$(wait_window "KOVA　Ver0.5") || fail "main window not shown"
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$win")"
echo "main window at $X,$Y size ${WIDTH}x${HEIGHT}"
[ "$X" -eq 266 ] && [ "$Y" -eq 273 ] || fail "window at $X,$Y, expected 266,273"

shot="$out/startup.png"
import -window root "$shot"
/usr/bin/python3 "$(dirname "$0")/check_startup.py" "$shot" "$X" "$Y" "$WIDTH" "$HEIGHT" || fail "screenshot check"

# The close box is the rightmost caption button that Wine draws.
xdotool mousemove $((X + WIDTH - 12)) $((Y + 12)) click 1
wait_exit || fail "closing the window did not end the program"
echo "startup: ok"

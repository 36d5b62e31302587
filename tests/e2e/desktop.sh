#!/usr/bin/env bash
# Starts KOVA as a user does, with tools/run.sh, on a display with a window manager (Xvfb and
# openbox standing in for a desktop): the window manager must take both windows and show KOVA's
# icon, and closing the main window through it must end run.sh.
set -euo pipefail
build="$1"
out="$build"
here="$(dirname "$0")"
tools="$here/../../tools"
source "$here/lib.sh"
source "$tools/xvfb.sh"

fresh_work_dir e2e-desktop
start_desktop

KOVA_BUILD="$build" KOVA_WINEPREFIX="$WINEPREFIX" bash "$tools/run.sh" >"$work/run.log" 2>&1 </dev/null &
kova_pid=$!
main=$(wait_window "KOVA　Ver0.5") || fail "main window not shown"
sub=$(wait_window "サブウィンドウ") || fail "sub-window not shown"
button=$(wait_window "^KO-VA$") || fail "no window KO-VA mapped"
sleep 0.5
import -window root "$work/desktop.png"

# KOVA's icon, which the window manager shows on the frames, in the task bar and in Alt+Tab: its
# orange idea is among the pixels of each window's icon, and on the main window's frame (blended
# into the title bar, active or not).
for win in "$main" "$sub" "$button"; do
    xprop -id "$win" -notype 32c _NET_WM_ICON | grep -qw $((0xfff59e0b)) || fail "window $win lacks KOVA's icon"
done
# The frame is the window manager's top-level window around the main window.
frame=$main
until xwininfo -children -id "$frame" | grep -q 'Parent window id: .*(the root window)'; do
    frame=$(xwininfo -children -id "$frame" | sed -n 's/.*Parent window id: \(0x[0-9a-f]*\).*/\1/p')
done
eval "$(xdotool getwindowgeometry --shell "$frame")"
orange=$(convert "$work/desktop.png" -crop 32x24+$X+$Y +repage \
         -fx 'r > 0.7 && g > 0.35 && g < 0.75 && b < 0.45' -format '%[fx:round(mean * w * h)]' info:)
[ "$orange" -ge 4 ] || fail "the main window's frame at ($X, $Y) does not show KOVA's icon ($orange orange pixels)"

clients=" $(xprop -root _NET_CLIENT_LIST | sed 's/.*#//; s/,/ /g') "
for win in "$main" "$sub"; do
    xwininfo -id "$win" | grep -q "Override Redirect State: no" || fail "window $win is override-redirect"
    [[ $clients == *" $(printf '0x%x' "$win") "* ]] || fail "window $win is not in _NET_CLIENT_LIST:$clients"
done

# What the close button of the window manager's frame does.
wmctrl -i -c "$main"
wait_exit || fail "closing the main window did not end run.sh"
kova_pid=
echo "desktop: ok"

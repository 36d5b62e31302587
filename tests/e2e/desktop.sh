#!/usr/bin/env bash
# Starts KOVA as a user does, with tools/run.sh, on a display with a window manager (Xvfb and
# openbox standing in for a desktop): the window manager must take both windows, and closing
# the main window through it must end run.sh.
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
import -window root "$work/desktop.png"

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

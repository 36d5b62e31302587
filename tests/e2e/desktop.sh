#!/usr/bin/env bash
# Starts KOVA as a user does, with tools/run.sh, on a display with a window manager (Xvfb and
# openbox standing in for a desktop): the window manager must take both windows, and closing
# the main window through it must end run.sh. The prefix goes back to the tests' mode after.
set -euo pipefail
build="$1"
out="$build"
here="$(dirname "$0")"
tools="$here/../../tools"
source "$here/lib.sh"
source "$tools/xvfb.sh"

fresh_work_dir e2e-desktop
wm_pid=
finish() {
    [ -n "${kova_pid:-}" ] && kill "$kova_pid" 2>/dev/null || true
    [ -n "$wm_pid" ] && { kill "$wm_pid" && wait "$wm_pid"; } 2>/dev/null || true
    stop_private_display
    use_window_manager N
}
trap finish EXIT

start_private_display
openbox >"$work/openbox.log" 2>&1 </dev/null &
wm_pid=$!
for i in $(seq 1 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
    sleep 0.1
done

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

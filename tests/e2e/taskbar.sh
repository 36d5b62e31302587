#!/usr/bin/env bash
# The task bar as a window manager sees it: on a display of its own with openbox, and Wine's
# X11 driver managing the windows. "KO-VA", the application window, is mapped 1x1 (how Wine
# maps a window with no area) and has a task-bar entry; the two forms have none. Minimized
# from the main window's frame, the program leaves only "KO-VA", iconic; activated as a task
# bar does it, both forms come back where they were, the main window on top.
set -euo pipefail
exe="$1"
out="$2"
here="$(dirname "$0")"
source "$here/lib.sh"
source "$here/../../tools/xvfb.sh"

fresh_work_dir e2e-taskbar
start_desktop
use_window_manager Y

start_kova "$exe"
main=$(wait_window "KOVA　Ver0.5") || fail "main window not shown"
sub=$(wait_window "サブウィンドウ") || fail "sub-window not shown"
button=$(wait_window "^KO-VA$") || fail "no window KO-VA mapped"
sleep 1
import -window root "$work/started.png"

skips_taskbar() { xprop -id "$1" _NET_WM_STATE | grep -q _NET_WM_STATE_SKIP_TASKBAR; }
mapped() { xwininfo -id "$1" | grep -q 'Map State: IsViewable'; }
place() { xdotool getwindowgeometry "$1" | tr -s ' ' | grep -E 'Position|Geometry' | tr '\n' ' '; }

xwininfo -id "$button" | grep -q 'Width: 1$' && xwininfo -id "$button" | grep -q 'Height: 1$' ||
    fail "KO-VA is not mapped 1x1: $(xwininfo -id "$button" | grep -E 'Width|Height' | tr -s ' \n' ' ')"
skips_taskbar "$button" && fail "KO-VA has no task-bar entry"
skips_taskbar "$main" || fail "the main window has a task-bar entry of its own"
skips_taskbar "$sub" || fail "the sub-window has a task-bar entry of its own"

main_place=$(place "$main")
sub_place=$(place "$sub")
xdotool windowminimize "$main"
for i in $(seq 1 50); do
    xprop -id "$button" WM_STATE | grep -q Iconic && break
    sleep 0.1
done
import -window root "$work/minimized.png"
xprop -id "$button" WM_STATE | grep -q Iconic || fail "KO-VA is not iconic after minimizing"
mapped "$main" && fail "the main window is still shown when minimized"
mapped "$sub" && fail "the sub-window is still shown when minimized"

xdotool windowactivate "$button"
for i in $(seq 1 50); do
    mapped "$main" && mapped "$sub" && break
    sleep 0.1
done
sleep 0.5
import -window root "$work/restored.png"
mapped "$main" && mapped "$sub" || fail "the forms did not come back"
[ "$(place "$main")" = "$main_place" ] || fail "main window moved: $main_place, now $(place "$main")"
[ "$(place "$sub")" = "$sub_place" ] || fail "sub-window moved: $sub_place, now $(place "$sub")"
# The window manager's stacking, bottom to top: the main window above the sub-window.
stacking=$(xprop -root _NET_CLIENT_LIST_STACKING | tr -d ',' | cut -d'#' -f2)
top=$(for w in $stacking; do case $((w)) in "$main" | "$sub") echo $((w)) ;; esac; done | tail -n 1)
[ "$top" = "$main" ] || fail "the sub-window is stacked above the main window"
echo "taskbar: ok"

#!/usr/bin/env bash
# Sets up, builds and starts KOVA under Wine: on your display, or, where there is none, on a
# private Xvfb, with a screenshot of the running program. Ctrl-C stops it.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
bash "$here/setup.sh"
bash "$here/build.sh" kova
source "$here/env.sh"
source "$here/xvfb.sh"

private=no
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
    private=yes
    start_private_display
fi
start_wineserver

kova_pid=
stop() {
    trap - INT TERM EXIT
    [ -n "$kova_pid" ] && kill "$kova_pid" 2>/dev/null || true
    stop_private_display
}
trap 'stop; exit 130' INT TERM
trap stop EXIT
if [ "$private" = yes ]; then use_window_manager N; else use_window_manager Y; fi

cd "$KOVA_BUILD/app"
wine ./kova.exe </dev/null &
kova_pid=$!

if [ "$private" = yes ]; then
    shot="$KOVA_BUILD/kova-screenshot.png"
    for i in $(seq 1 100); do
        xdotool search --name "KOVA" >/dev/null 2>&1 && break
        sleep 0.1
    done
    sleep 1
    import -window root "$shot"
    echo "KOVA is running on the private display $DISPLAY (no display was set)."
    echo "Screenshot: $shot"
    echo "Press Ctrl-C to stop."
fi
wait "$kova_pid" || true

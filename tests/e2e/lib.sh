# Helpers for driving kova.exe from outside with real X events; sourced by the scenarios.
# Needs DISPLAY, WINEPREFIX and the other variables of tools/env.sh.

# Starts kova.exe from its own directory; sets kova_pid.
start_kova() {
    local exe="$1"
    (cd "$(dirname "$exe")" && exec wine "./$(basename "$exe")" </dev/null >/dev/null 2>&1) &
    kova_pid=$!
}

# Prints the X window id of the first window whose name matches, waiting up to 20 s.
wait_window() {
    local name="$1" id i
    for i in $(seq 1 200); do
        id=$(xdotool search --onlyvisible --name "$name" 2>/dev/null | head -n 1) || true
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    echo "no window named '$name' appeared" >&2
    return 1
}

# Waits up to 10 s for kova.exe to end.
wait_exit() {
    local i
    for i in $(seq 1 100); do
        kill -0 "$kova_pid" 2>/dev/null || return 0
        sleep 0.1
    done
    echo "kova.exe did not end" >&2
    return 1
}

fail() {
    echo "FAIL: $*" >&2
    [ -n "${kova_pid:-}" ] && kill "$kova_pid" 2>/dev/null
    exit 1
}

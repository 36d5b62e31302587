# Starting and stopping a private X display; sourced by the run and test scripts.

# Starts Xvfb on the first free display from 90 on and exports DISPLAY; sets xvfb_pid.
start_private_display() {
    local n=90
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"${KOVA_BUILD:-/tmp}/xvfb.log" 2>&1 </dev/null &
    xvfb_pid=$!
    export DISPLAY=":$n"
    local i
    for i in $(seq 1 100); do
        xdpyinfo >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "Xvfb did not start on :$n" >&2
    return 1
}

stop_private_display() {
    if [ -n "${xvfb_pid:-}" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
        xvfb_pid=
    fi
}

# Starts the wineserver of our prefix so that it does not inherit the caller's output; it
# ends by itself a few seconds after its last program. Status 2 means one runs already (an
# earlier run still ending, or KOVA open elsewhere), which serves us as well.
start_wineserver() {
    wineserver -p5 >/dev/null 2>&1 </dev/null || [ $? -eq 2 ]
}

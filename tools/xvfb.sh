# The X display and the wineserver that KOVA runs with; sourced by the run and test scripts.

# Starts Xvfb on the first free display from 90 on and exports DISPLAY; sets xvfb_pid.
start_private_display() {
    local n=90
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    # No reset when the last client goes: the probe below is one, and the next client would
    # find the server resetting.
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset >"${KOVA_BUILD:-/tmp}/xvfb$n.log" 2>&1 </dev/null &
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

# Gives our windows to the display's window manager (Y: a desktop, which frames them and lists
# them in its task bar) or not (N: a private display, which has none; windows go exactly where
# asked, and Wine draws their frames). Sets the X11 driver's Managed and Decorated in our prefix,
# read by each Wine program as it starts. The prefix remembers the last value set, so that only a
# change of mode starts a Wine program here.
use_window_manager() {
    local value="$1" mark="$WINEPREFIX/.kova-window-manager" reg="$WINEPREFIX/kova-window-manager.reg"
    [ "$(cat "$mark" 2>/dev/null)" = "$value" ] && return
    printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Managed"="%s"\r\n"Decorated"="%s"\r\n' \
        "$value" "$value" >"$reg"
    start_wineserver
    wine reg import "Z:${reg//\//\\}" >/dev/null 2>&1 </dev/null ||
        { echo "could not set the window mode of the Wine prefix $WINEPREFIX" >&2; return 1; }
    echo "$value" >"$mark"
}

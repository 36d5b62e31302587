# Helpers for driving kova.exe from outside with real X events; sourced by the scenarios.
# Needs DISPLAY, WINEPREFIX and the other variables of tools/env.sh.

# The control id of the file-type list in the open and save dialogs (cmb1).
file_types=1136

# Sets work to an empty folder of that name beside the build's output, where the saved
# sheets and screenshots stay for a look afterwards; no recovery copies are left.
fresh_work_dir() {
    work="$out/$1"
    rm -rf "$work"
    mkdir -p "$work"
    # A copy that another scenario's killed KOVA left would be offered at the next start.
    rm -rf "$WINEPREFIX"/drive_c/users/*/AppData/Local/KOVA/Recovery
}

# Starts kova.exe from its own directory, Wine's messages to the file LOG when given, with
# the arguments after it; sets kova_pid.
start_kova() {
    local exe="$1" log="${2:-/dev/null}"
    shift
    [ $# -gt 0 ] && shift
    (cd "$(dirname "$exe")" && exec wine "./$(basename "$exe")" "$@" </dev/null >/dev/null 2>"$log") &
    kova_pid=$!
}

# A private display with openbox standing in for a desktop. When the script ends, the
# program and the display go, and the prefix is back in the tests' window mode. Needs
# tools/xvfb.sh.
start_desktop() {
    trap stop_desktop EXIT
    start_private_display
    openbox --sm-disable >"$work/openbox.log" 2>&1 </dev/null &
    wm_pid=$!
    local i
    for i in $(seq 1 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
        sleep 0.1
    done
    fail "openbox did not start"
}

stop_desktop() {
    [ -n "${kova_pid:-}" ] && kill "$kova_pid" 2>/dev/null || true
    [ -n "${wm_pid:-}" ] && { kill "$wm_pid" && wait "$wm_pid"; } 2>/dev/null || true
    stop_private_display
    use_window_manager N
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

# Prints the X window id of a message box of the program, waiting up to 20 s, or with
# "now" only looking once. It has the application title, as the application window has,
# which shows no area (Wine maps it 1x1).
message_box() {
    local tries=200 i id
    [ "${1:-}" = now ] && tries=1
    for i in $(seq 1 "$tries"); do
        for id in $(xdotool search --onlyvisible --name '^KO-VA$' 2>/dev/null); do
            eval "$(xdotool getwindowgeometry --shell "$id")"
            if [ "$WIDTH" -gt 1 ]; then
                echo "$id"
                return 0
            fi
        done
        [ "$tries" -gt 1 ] && sleep 0.1
    done
    return 1
}

# Waits up to 10 s until no window whose name matches is shown.
wait_gone() {
    local i
    for i in $(seq 1 100); do
        xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    echo "the window '$1' is still shown" >&2
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

# 画像読み込み of the sub-window (its window id in sub) opens the real open dialog; a file is
# chosen in it by typing its name.
open_dialog() {
    eval "$(xdotool getwindowgeometry --shell "$sub")"
    xdotool mousemove $((X + 275)) $((Y + 65)) click 1
    wait_window "開く" >/dev/null || fail "open dialog not shown"
    sleep 0.3
}
choose_file() {
    xdotool type --delay 20 "$(winepath -w "$1")"
    xdotool key Return
    sleep 1
}

fail() {
    echo "FAIL: $*" >&2
    [ -n "${kova_pid:-}" ] && kill "$kova_pid" 2>/dev/null
    exit 1
}

# Sets ox, oy: the screen position of the main window's client area (the sheet), from the
# geometry of its X window (the frame and the client area's size are known).
sheet_origin() {
    local win="$1"
    eval "$(xdotool getwindowgeometry --shell "$win")"
    ox=$((X + (WIDTH - 544) / 2))
    oy=$((Y + HEIGHT - (WIDTH - 544) / 2 - 383))
}

# Pointer actions at sheet coordinates.
at() { xdotool mousemove $((ox + $1)) $((oy + $2)); sleep 0.05; }
click_at() { at "$1" "$2"; xdotool click 1; sleep 0.15; }
double_click_at() { at "$1" "$2"; xdotool click --repeat 2 --delay 60 1; sleep 0.3; }
# drag BUTTON X0 Y0 X1 Y1: press, move there in steps, release.
drag() {
    local b="$1" x0="$2" y0="$3" x1="$4" y1="$5" i
    at "$x0" "$y0"
    xdotool mousedown "$b"
    for i in $(seq 1 10); do
        at $((x0 + (x1 - x0) * i / 10)) $((y0 + (y1 - y0) * i / 10))
    done
    xdotool mouseup "$b"
    sleep 0.15
}

# shot NAME [EARLIER]: the sheet into $work/NAME.png, with the pointer where no item is; true
# when it is the picture EARLIER.
shot() {
    at 530 370
    at 531 371
    import -window root -crop "544x383+$ox+$oy" +repage "$work/$1.png"
    [ -z "${2:-}" ] || same "$2" "$1"
}
same() { [ "$(compare -metric AE "$work/$1.png" "$work/$2.png" null: 2>&1)" = 0 ]; }

# type_item X Y TEXT [new]: types into the open editor of the item at X Y, after its text; a
# new item's editor starts with the last text, which "new" clears first.
type_item() {
    click_at $(($1 + 8)) $(($2 + 8))
    xdotool key End
    [ "${4:-}" = new ] && xdotool key --repeat 30 --delay 10 BackSpace
    xdotool type --delay 30 "$3"
    click_at 460 30
}

# A click on a window's caption brings it to the front and gives it the keyboard.
caption() { eval "$(xdotool getwindowgeometry --shell "$1")"; xdotool mousemove $((X + 150)) $((Y + 10)) click 1 sleep 0.3; }

# answer KEY: presses KEY in the message box (its window id in box) and waits until it is gone.
# A key sent to the box alone loses its release when the box closes on the press, and Wine then
# holds the key down for the next program; so the box gets the X focus and a real key.
answer() {
    local i
    caption "$box"
    xdotool key "$1"
    for i in $(seq 1 50); do
        message_box now >/dev/null || return 0
        sleep 0.1
    done
    fail "the message box did not take $1"
}

# Opens the menu-bar entry above sheet x, goes DOWN entries down its menu and chooses that one.
menu_entry() {
    xdotool mousemove $((ox + $1)) $((oy - 10)) click 1
    sleep 0.3
    xdotool key --repeat "$2" --delay 50 Down
    xdotool key Return
    sleep 0.3
}

# ファイル → 保存, with a file name typed into the real save dialog. With "keys" the menu
# is reached with F10: ファイル opens on 新規作成, and Down skips the separator.
save_as() {
    if [ "${2:-}" = keys ]; then
        xdotool key --delay 100 F10 Return Down Return
        sleep 0.3
    else
        menu_entry 15 2
    fi
    wait_window "名前を付けて保存" >/dev/null || fail "save dialog not shown"
    sleep 0.5
    xdotool type --delay 20 "$1"
    xdotool key Return
    sleep 1
}

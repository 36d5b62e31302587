#!/usr/bin/env bash
# Nothing is lost, tried as a new user would: each action undone back to the screen it came
# from and redone; New taken back; the question on closing with changes and each answer; a
# killed KOVA's diagram offered at the next start, and nothing offered after a normal end.
set -euo pipefail
exe="$1"
out="${2:-$(dirname "$exe")}"
here="$(dirname "$0")"
source "$here/lib.sh"

fresh_work_dir e2e-nothinglost
copies="$(ls -d "$WINEPREFIX"/drive_c/users/*/AppData/Local | head -n 1)/KOVA/Recovery"

item() {
    double_click_at "$1" "$2"
    type_item "$1" "$2" "$3" new
}
# Presses KEY on the sheet until the sheet is no longer the picture PREV (a key can be lost on
# a busy machine), then keeps the picture as NAME.
press() {
    local try
    for try in 1 2 3; do
        click_at 520 370
        xdotool key "$1"
        sleep 0.5
        shot "$3" "$2" || return 0
    done
}
start() {
    start_kova "$exe"
    win=$(wait_window "KOVA　Ver0.5") || fail "main window not shown"
    sub=$(wait_window "サブウィンドウ") || fail "sub-window not shown"
    sleep 0.5
    sheet_origin "$win"
}
# Closes by the way given and answers the question with the key given, or expects none.
close_with() {
    click_at 520 370
    case "$1" in
    box) eval "$(xdotool getwindowgeometry --shell "$win")"; xdotool mousemove $((X + WIDTH - 12)) $((Y + 10)) click 1 ;;
    keys) xdotool key alt+F4 ;;
    esac
    if [ "$2" = none ]; then
        wait_exit || { import -window root "$work/close-$1.png"; fail "closing ($1) did not end KOVA"; }
        return
    fi
    box=$(message_box) || { import -window root "$work/close-$1.png"; fail "closing ($1) asked nothing"; }
    answer "$2"
}

start
open_dialog
choose_file "$here/../data/bmp/c16_info_4.bmp"
click_at 520 370  # the main window comes above the sub-window
actions=(
    "item 60 60 Alpha"
    "item 300 200 Beta"
    "drag 1 66 66 306 206"
    "drag 3 306 206 360 280"
    "drag 1 5 5 540 380"
    "drag 3 100 300 200 320"
)
n=${#actions[@]}
for i in $(seq 0 $((n - 1))); do
    shot "before$i"
    ${actions[$i]}
done
shot end
prev=end
for i in $(seq $((n - 1)) -1 0); do
    press ctrl+z "$prev" "undone$i"
    same "before$i" "undone$i" || fail "Ctrl+Z did not take back: ${actions[$i]}"
    prev="undone$i"
done
for i in $(seq 1 "$n"); do
    press ctrl+y "$prev" "redone$i"
    prev="redone$i"
done
same end "$prev" || fail "Ctrl+Y did not replay every step"
menu_entry 15 1
shot blank
press ctrl+z blank back
same end back || fail "Ctrl+Z did not bring back the diagram before New"

# The question: Cancel keeps KOVA with the diagram, No ends without a file.
close_with keys Escape
kill -0 "$kova_pid" 2>/dev/null || fail "Cancel ended KOVA"
shot kept end || fail "Cancel changed the diagram"
close_with box n
wait_exit || fail "No did not end KOVA"
[ -z "$(ls "$work"/*.bmp 2>/dev/null)" ] || fail "No wrote a file"
[ -z "$(ls "$copies"/*.bmp 2>/dev/null)" ] || fail "No left a recovery copy"

# Nothing to ask right after start or right after a save; Yes saves through the dialog.
start
close_with keys none
start
item 100 100 Gamma
save_as "$(winepath -w "$work")\\saved"
close_with box none
start
item 100 100 Delta
close_with keys y
wait_window "名前を付けて保存" >/dev/null || fail "Yes showed no save dialog"
sleep 0.5
xdotool type --delay 20 "$(winepath -w "$work")\\answered"
xdotool key Return
wait_exit || fail "Yes and a save did not end KOVA"
[ -s "$work/answered.bmp" ] || fail "Yes wrote no file"

# A crash 3 s after the last change: the next start offers the diagram as it was.
start
item 200 150 Crash
drag 1 20 300 400 350
shot crashed
sleep 3
kill -9 "$kova_pid"
wait_exit || fail "kova.exe did not die"
start_kova "$exe"
box=$(message_box) || fail "the crashed diagram was not offered"
answer y
win=$(wait_window "KOVA　Ver0.5") || fail "main window not shown"
sleep 0.5
sheet_origin "$win"
shot restored crashed || fail "the restored sheet differs"
close_with keys n
wait_exit || fail "No did not end KOVA"
start_kova "$exe"
win=$(wait_window "KOVA　Ver0.5") || fail "main window not shown"
sleep 1.5
message_box now >/dev/null && fail "recovery offered after a normal end"
kill "$kova_pid" 2>/dev/null || true
echo "nothinglost: ok"

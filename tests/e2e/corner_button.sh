#!/usr/bin/env bash
# End-to-end: the corner button rides on the focused xterm's title bar, follows it when
# xdotool moves it, hides for a narrow window and for the setting "never", and its palette
# snaps the xterm to the left half while the xterm keeps the focus. Where the capsule is and
# whether it shows is read with xwininfo (the capsule is an override-redirect window of the
# root); the xterm's frame with x11_oracle.py; the focus from _NET_ACTIVE_WINDOW by xprop.
#   corner_button.sh QUENDA_BINARY SCRIPTS_DIR ARTIFACTS_DIR [openbox|xfwm4]
set -euo pipefail

usage="usage: corner_button.sh QUENDA_BINARY SCRIPTS_DIR ARTIFACTS_DIR [openbox|xfwm4]"
quenda=${1:?$usage}
scripts=${2:?$usage}
artifacts=${3:?$usage}
wm=${4:-${QD_WM:-openbox}}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=scripts/lib/desktop.sh
source "$scripts/lib/desktop.sh"
# shellcheck source=tests/e2e/lib/session.sh
source "$here/lib/session.sh"
mkdir -p "$artifacts"

eval "$("$scripts/virtual-desktop.sh" start --bus --wm "$wm")"
export XDG_CACHE_HOME=$tmp/cache NO_AT_BRIDGE=1

# --- What the test reads ----------------------------------------------------------------
# named_window NAME: the id of the root's child window named NAME (override-redirect windows
# are children of the root, outside the window manager's lists).
named_window() {
    xwininfo -root -children 2>/dev/null | grep -F "\"$1\":" | awk '{ print $1; exit }'
}
# viewable NAME: that window exists and is mapped.
viewable() {
    local id
    id=$(named_window "$1")
    [[ -n $id ]] && xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable'
}
hidden() { ! viewable "$1"; }
# geometry NAME: "x y w h" of that window, from xwininfo.
geometry() {
    xwininfo -id "$(named_window "$1")" 2>/dev/null | awk '
        /Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
        /^ *Width:/ { w = $NF } /^ *Height:/ { h = $NF }
        END { print x, y, w, h }'
}
# point_at X Y: the pointer to X,Y as a mouse moves it. `xdotool mousemove` warps the pointer,
# which no device reports; the last pixel is an XTest motion, as from a real mouse.
point_at() {
    xdotool mousemove "$(($1 - 1))" "$2"
    xdotool mousemove_relative -- 1 0
}
capsule="Quenda corner button"
palette="Quenda palette"

# expected_capsule ID: where the capsule goes for that window on this 1600x1000 screen
# without panels, on its left side: just above the title bar when there are 20 pixels above
# it, else a vertical capsule left of the window when there are 22 pixels there, else over
# the top of the title bar. The title-bar buttons cannot be read on X11, so the capsule
# stands 24 pixels from the window's left edge (centred between 14 and 68), or 34 over the
# title bar, clear of the window manager's menu button.
expected_capsule() {
    local x y w h
    read -r x y w h <<<"$(outer_frame "$1")"
    if ((y - 19 >= 1)); then
        echo "$((x + 24)) $((y - 19)) 34 16"
    elif ((x - 22 >= 0)); then
        echo "$((x - 20)) $((y + 2)) 17 24"
    else
        echo "$((x + 34)) $(((y > 0 ? y : 0) + 1)) 34 15"
    fi
}
capsule_on() { viewable "$capsule" && [[ $(geometry "$capsule") == "$(expected_capsule "$1")" ]]; }
explain() { printf 'capsule [%s], expected [%s] for frame [%s]' "$(geometry "$capsule")" \
    "$(expected_capsule "$1")" "$(outer_frame "$1")"; }
# move ID X Y: xdotool moves the window; waits until its frame has moved.
frame_at() { [[ $(outer_frame "$1") == "$2 $3 "* ]]; }
move() {
    xdotool windowmove "$1" "$2" "$3"
    qd_wait_until "the window's frame to move" frame_moved "$1" "$4" || true
}
frame_moved() { [[ $(outer_frame "$1") != "$2" ]]; }
shot() { import -window root "$artifacts/corner-$wm-$1.png" || fail "screenshot $1"; }
# zoom NAME X Y W H: an enlarged crop of the title-bar area, to look at the capsule beside
# the window manager's own buttons.
zoom() {
    convert "$artifacts/corner-$wm-$1.png" -crop "${4}x${5}+${2}+${3}" +repage \
        -scale 400% "$artifacts/corner-$wm-$1-zoom.png" || fail "zoom $1"
}

# --- The capsule on the focused xterm ----------------------------------------------------
qd_open_xterm "Quenda corner" 80x24+200+300
term=$QD_XTERM_ID
activate "$term"
start_quenda 1

qd_wait_until "the capsule above the xterm's title bar" capsule_on "$term" ||
    fail "above the title bar: $(explain "$term")"
shot above
read -r fx fy _ _ <<<"$(outer_frame "$term")"
zoom above "$((fx - 10))" "$((fy - 30))" 220 60

# Moved down and right, then to the top with room on its left, then into the corner.
for target in "500 400" "400 0" "0 0"; do
    # shellcheck disable=SC2086 # two numbers
    move "$term" $target "$(outer_frame "$term")"
    qd_wait_until "the capsule to follow the xterm to $target" capsule_on "$term" ||
        fail "after windowmove $target: $(explain "$term")"
done
shot corner
zoom corner 0 0 220 60
move "$term" 400 0 "$(outer_frame "$term")"
qd_wait_until "the vertical capsule" capsule_on "$term" || fail "vertical: $(explain "$term")"
shot top
read -r fx fy _ _ <<<"$(outer_frame "$term")"
zoom top "$((fx - 30))" 0 220 60
active_is "$term" || fail "the capsule took the focus"

# A window 300 points wide or less gets no capsule; the wide one gets it back.
qd_open_xterm "Quenda narrow" 40x20+900+500
narrow=$QD_XTERM_ID
activate "$narrow"
read -r _ _ nw _ <<<"$(outer_frame "$narrow")"
((nw < 301)) || fail "the narrow xterm is $nw wide"
qd_wait_until "the capsule to hide for the narrow xterm" hidden "$capsule" ||
    fail "shown for a $nw-wide window: $(geometry "$capsule")"
activate "$term"
qd_wait_until "the capsule back on the wide xterm" capsule_on "$term" ||
    fail "back: $(explain "$term")"

# --- The palette: "Izquierda" snaps the xterm that keeps the focus ------------------------
move "$term" 300 200 "$(outer_frame "$term")"
qd_wait_until "the capsule above the moved xterm" capsule_on "$term" || fail "$(explain "$term")"
# click_capsule: a click in the middle of the capsule.
click_capsule() {
    local x y w h
    read -r x y w h <<<"$(geometry "$capsule")"
    xdotool mousemove "$((x + w / 2))" "$((y + h / 2))" click 1
}
click_capsule
qd_wait_until "the palette" viewable "$palette" || fail "the palette did not open"
active_is "$term" || fail "opening the palette took the focus"
read -r cx cy _ ch <<<"$(geometry "$capsule")"
read -r px py pw ph <<<"$(geometry "$palette")"
expect_eq "the palette's place below the capsule" "$px $py" "$((cx - 6)) $((cy + ch + 6))"
shot palette
zoom palette "$((px - 20))" "$((cy - 10))" "$((pw + 40))" "$((ph + 40))"
# The first action of the first row ("Izquierda"), 10 pixels in from the palette's corner,
# below the row's title.
xdotool mousemove "$((px + 10 + 14))" "$((py + 10 + 13 + 6 + 14))" click 1
qd_wait_until "the palette to close" hidden "$palette" || fail "the palette stayed open"
qd_wait_until "the xterm on the left half" frame_matches "$term" 8 8 788 984 16 ||
    fail "left half: $(outer_frame "$term")"
active_is "$term" || fail "the xterm lost the focus: $(qd_root_prop _NET_ACTIVE_WINDOW)"
qd_wait_until "the capsule on the snapped xterm" capsule_on "$term" || fail "$(explain "$term")"

# A click on another window closes the palette and still reaches that window: the window
# manager gives it the focus.
click_capsule
qd_wait_until "the palette again" viewable "$palette" || fail "the palette did not open again"
read -r nx ny _ _ <<<"$(outer_frame "$narrow")"
xdotool mousemove "$((nx + 60))" "$((ny + 80))" click 1
qd_wait_until "the palette to close on a click elsewhere" hidden "$palette" ||
    fail "the palette stayed open after a click elsewhere"
qd_wait_until "the clicked xterm to be focused" active_is "$narrow" ||
    fail "the click did not reach the other xterm"
frame_matches "$term" 8 8 788 984 16 || fail "a click elsewhere ran a command"

# --- The settings apply at once --------------------------------------------------------------
activate "$term"
qd_wait_until "the capsule" capsule_on "$term" || fail "$(explain "$term")"
run_quenda config set cornerButtonMode 0
qd_wait_until "the capsule to hide with \"never\"" hidden "$capsule" || fail "shown with never"
run_quenda config set cornerButtonMode 1
point_at 1200 700
qd_wait_until "the capsule hidden with the pointer away" hidden "$capsule" ||
    fail "shown in hover mode with the pointer away"
read -r fx fy _ _ <<<"$(outer_frame "$term")"
point_at "$((fx + 30))" "$((fy + 10))"
qd_wait_until "the capsule with the pointer over the title bar" capsule_on "$term" ||
    fail "hover: $(explain "$term")"
point_at 1200 700
qd_wait_until "the capsule to hide when the pointer leaves" hidden "$capsule" ||
    fail "still shown after the pointer left"
run_quenda config set cornerButtonMode 2
qd_wait_until "the capsule again with \"always\"" capsule_on "$term" || fail "$(explain "$term")"

# --- Odd moments: the window manager restarting, the focused window vanishing ------------
if [[ $wm == openbox ]]; then
    openbox --restart
    qd_wait_until "openbox back" qd_wm_ready
    activate "$term"
    qd_wait_until "the capsule after openbox restarted" capsule_on "$term" ||
        fail "after the restart: $(explain "$term")"
fi
activate "$narrow"
qd_wait_until "the capsule hidden for the narrow xterm" hidden "$capsule" || fail "shown"
activate "$term"
qd_wait_until "the capsule" capsule_on "$term" || fail "$(explain "$term")"
kill "$QD_XTERM_PID" 2>/dev/null || true  # the narrow one, not focused
xdotool windowkill "$term" 2>/dev/null || true
qd_wait_until "the capsule to hide once the xterm is gone" hidden "$capsule" ||
    fail "shown without its window"

qd_alive "$qpid" || fail "quenda died"
if grep -q 'focus watch: X error' "$tmp/quenda.err"; then
    fail "unexpected X errors: $(grep 'X error' "$tmp/quenda.err")"
fi
e2e_finish "corner_button ($wm)"

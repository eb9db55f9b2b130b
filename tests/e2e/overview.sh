#!/usr/bin/env bash
# End-to-end: the overview organiser on a private desktop. Five xterms of distinct colours,
# some covering others and one minimised; the organiser opens with its shortcut and its
# cards show every window's own colour, covered parts too (pixels of screenshots, read by
# ImageMagick); two cards dragged into a group with xdotool and Return tile those two
# windows side by side (frames from xwininfo + _NET_FRAME_EXTENTS); the quit buttons of the
# applications running without a visible window (a minimised xterm, a program with only an
# icon in trayer) end their processes.
#   overview.sh QUENDA_BINARY SCRIPTS_DIR ARTIFACTS_DIR TRAY_ICON_PROGRAM
set -euo pipefail

usage="usage: overview.sh QUENDA_BINARY SCRIPTS_DIR ARTIFACTS_DIR TRAY_ICON_PROGRAM"
quenda=${1:?$usage}
scripts=${2:?$usage}
artifacts=${3:?$usage}
tray_icon=${4:?$usage}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=scripts/lib/desktop.sh
source "$scripts/lib/desktop.sh"
# shellcheck source=tests/e2e/lib/session.sh
source "$here/lib/session.sh"
mkdir -p "$artifacts"

# The screen is 1600x1000; the organiser's pool takes the left half, its groups the right.
pool=(0 140 800 900)
groups_area=(810 140 1600 900)
strip=(0 880 1600 990)
# With no group yet, the new-group target is the first cell of the groups' grid; once a
# group exists, that group's card takes the cell.
first_cell=(1000 280)
# The usable area is 1600x1000 with the default gap of 8: two columns.
left=(8 8 788 984)
right=(804 8 788 984)
# X's colour names, as xterm paints its background.
declare -A rgb=([red]=ff0000 [green]=00ff00 [blue]=0000ff [magenta]=ff00ff [yellow]=ffff00)
# The fill of an application's button in the background strip, over the strip's own fill.
background_button=303033

shot() { import -window root "$tmp/shot.png" 2>/dev/null; }
# where COLOUR X0 Y0 X1 Y1 [MIN [MIN_COLUMN]]: "x y count" of the colour in the last
# screenshot; fails when too little of it shows.
where() { python3 "$here/screen_pixels.py" "$tmp/shot.png" "$@"; }
shows() {
    shot || return 1
    where "$@" >/dev/null
}
organiser_open() { xdotool search --onlyvisible --name '^Organizador de grupos$' >/dev/null 2>&1; }
organiser_closed() { ! organiser_open; }
process_gone() { ! qd_alive "$1"; }
minimized() { xprop -id "$1" _NET_WM_STATE | grep -q _NET_WM_STATE_HIDDEN; }

open_organiser() {
    xdotool key ctrl+alt+2
    qd_wait_until "the organiser to open" organiser_open || fail "$1: ctrl+alt+2 opened nothing"
}

# ---------------------------------------------------------------------------------------
eval "$("$scripts/virtual-desktop.sh" start --bus)"

declare -A id pid
open() {
    qd_open_xterm "Quenda overview $1" "$2" -bg "$1"
    id[$1]=$QD_XTERM_ID
    pid[$1]=$QD_XTERM_PID
    client_pids+=("$QD_XTERM_PID")
}
open red 80x24+0+0
open green 80x24+60+60
open blue 100x40+120+120
open magenta 60x20+900+100
open yellow 60x20+900+500
shot && cp "$tmp/shot.png" "$artifacts/overview-desktop.png"
# Blue covers most of green, and green most of red.
green_on_screen=$(where "${rgb[green]}" 0 0 1600 1000 1 | cut -d' ' -f3)

start_quenda 2

# Every window's card carries its colour, the covered ones whole: as much green shows on
# green's card as magenta on the card of the window nothing covers.
open_organiser "first opening"
for colour in red green blue magenta yellow; do
    qd_wait_until "the $colour card's picture" shows "${rgb[$colour]}" "${pool[@]}" ||
        fail "no $colour card in the pool"
done
shot && cp "$tmp/shot.png" "$artifacts/overview-open.png"
read -r _ _ magenta_card <<<"$(where "${rgb[magenta]}" "${pool[@]}")"
read -r _ _ green_card <<<"$(where "${rgb[green]}" "${pool[@]}")"
((green_card * 10 >= magenta_card * 9)) ||
    fail "green's card shows $green_card green pixels, magenta's $magenta_card magenta ones"
((green_card > green_on_screen / 4)) ||
    fail "green's card ($green_card) is no fuller than what shows of it ($green_on_screen / 4)"
xdotool key Escape
qd_wait_until "Esc to close the organiser" organiser_closed || fail "Esc left the organiser open"

# Minimised now: its card keeps the last picture, and its application runs without a
# visible window.
xdotool windowminimize "${id[yellow]}"
qd_wait_until "yellow to be minimised" minimized "${id[yellow]}" || fail "windowminimize"
open_organiser "second opening"
qd_wait_until "the minimised window's last picture" shows "${rgb[yellow]}" "${pool[@]}" ||
    fail "the minimised window's card lost its picture"
qd_wait_until "the background strip" shows "$background_button" "${strip[@]}" 100 15 ||
    fail "no application in the background strip"

# Red to the new-group target, then green into the group it made.
read -r rx ry _ <<<"$(where "${rgb[red]}" "${pool[@]}")"
qd_drag "$rx" "$ry" "${first_cell[@]}"
qd_wait_until "red to join a new group" shows "${rgb[red]}" "${groups_area[@]}" 200 ||
    fail "red's card was not dropped into a new group"
shot
read -r gx gy _ <<<"$(where "${rgb[green]}" "${pool[@]}")"
qd_drag "$gx" "$gy" "${first_cell[@]}"
qd_wait_until "green to join the group" shows "${rgb[green]}" "${groups_area[@]}" 200 ||
    fail "green's card was not dropped into the group"
shot && cp "$tmp/shot.png" "$artifacts/overview-grouped.png"

xdotool key Return
qd_wait_until "Return to close the organiser" organiser_closed || fail "Return left it open"
both_tiled() {
    frame_matches "${id[red]}" "${left[@]}" 16 && frame_matches "${id[green]}" "${right[@]}" 16
}
qd_wait_until "red and green side by side" both_tiled ||
    fail "the group was not shown: red $(describe "${id[red]}") green $(describe "${id[green]}")"
shot && cp "$tmp/shot.png" "$artifacts/overview-started.png"

# A program that lives in the system tray only: an icon docked into trayer, no window.
# trayer's panel goes on top of every window, at the top right, clear of the strip.
trayer --edge top --align right --widthtype request --height 24 --transparent false \
    --SetDockType true >/dev/null 2>&1 &
client_pids+=($!)
"$tray_icon" >"$tmp/tray-icon.out" 2>&1 &
tray_icon_pid=$!
client_pids+=("$tray_icon_pid")
icon_docked() { grep -q '^docked ' "$tmp/tray-icon.out"; }
qd_wait_until "the tray icon to be docked" icon_docked || fail "the tray took no icon"

# The minimised xterm's application and the tray-only one run without a visible window:
# the strip has a button for each, and each button quits its application.
both_ended() { process_gone "${pid[yellow]}" && process_gone "$tray_icon_pid"; }
one_ended() { process_gone "${pid[yellow]}" || process_gone "$tray_icon_pid"; }
# Clicks the leftmost button of the strip (the centre of the left part of all buttons).
click_first_background_button() {
    local cx
    qd_wait_until "the background strip" shows "$background_button" "${strip[@]}" 100 15 ||
        fail "no application left in the background strip"
    read -r cx _ _ <<<"$(where "$background_button" "${strip[@]}" 100 15)"
    read -r bx by _ <<<"$(where "$background_button" "${strip[0]}" "${strip[1]}" \
        $((cx + 1)) "${strip[3]}" 50 15)"
    xdotool mousemove --sync "$bx" "$by" click 1
}
open_organiser "third opening"
click_first_background_button
qd_wait_until "one background application to end" one_ended ||
    fail "the first background button ended neither application"
shot && cp "$tmp/shot.png" "$artifacts/overview-background.png"
click_first_background_button
qd_wait_until "both background applications to end" both_ended ||
    fail "the background buttons did not end both the minimised xterm and the tray-only program"
xdotool key Escape
qd_wait_until "Esc to close the organiser" organiser_closed || fail "Esc left the organiser open"

qd_alive "$qpid" || fail "quenda died"
e2e_finish overview

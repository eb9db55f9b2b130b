#!/usr/bin/env bash
# End-to-end: window groups on a private desktop. Five xterms are chunked into groups of
# two, shown one group at a time (tiled, raised, the group's first window active), and
# followed as one is minimised and restored. A sixth xterm, on the second desktop, stays
# out of every group: showing a group never takes the user to another desktop. Frames come from x11_oracle.py (xwininfo +
# _NET_FRAME_EXTENTS); stacking, focus and states from xprop: never from our own code.
#   groups.sh QUENDA_BINARY SCRIPTS_DIR ARTIFACTS_DIR
set -euo pipefail

quenda=${1:?usage: groups.sh QUENDA_BINARY SCRIPTS_DIR ARTIFACTS_DIR}
scripts=${2:?usage: groups.sh QUENDA_BINARY SCRIPTS_DIR ARTIFACTS_DIR}
artifacts=${3:?usage: groups.sh QUENDA_BINARY SCRIPTS_DIR ARTIFACTS_DIR}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=scripts/lib/desktop.sh
source "$scripts/lib/desktop.sh"
# shellcheck source=tests/e2e/lib/session.sh
source "$here/lib/session.sh"
mkdir -p "$artifacts"

# The usable area is 1600x1000 with the default gap of 8: two columns, or the whole area.
left=(8 8 788 984)
right=(804 8 788 984)
whole=(8 8 1584 984)

# top_windows ID...: the windows are the topmost ones, in this order from the top.
top_windows() {
    local -a stack
    mapfile -t stack < <(qd_client_ids)
    local i=$((${#stack[@]} - 1)) id
    for id in "$@"; do
        ((i >= 0)) && (($(printf '%d' "${stack[i]}") == $(printf '%d' "$id"))) || return 1
        i=$((i - 1))
    done
}

# shown FIRST [SECOND]: the group is tiled, on top, FIRST in front and active.
shown() {
    if (($# == 2)); then
        frame_matches "$1" "${left[@]}" 16 && frame_matches "$2" "${right[@]}" 16 || return 1
    else
        frame_matches "$1" "${whole[@]}" 16 || return 1
    fi
    top_windows "$@" && active_is "$1"
}

expect_shown() {
    local what=$1
    shift
    qd_wait_until "$what" shown "$@" ||
        fail "$what: $(describe "$@") stacking [$(qd_client_ids | tail -n $# | tr '\n' ' ')]" \
            "active $(qd_root_prop _NET_ACTIVE_WINDOW)"
}

minimized() { xprop -id "$1" _NET_WM_STATE | grep -q _NET_WM_STATE_HIDDEN; }
on_desktop() { [[ $(xprop -id "$1" _NET_WM_DESKTOP) == *" = $2" ]]; }
# client_geometry ID: "x y w h" of the client window as xwininfo gives it, shown or not (the
# oracle lists only the current desktop's windows).
client_geometry() {
    xwininfo -id "$1" | awk '/Absolute upper-left [XY]:|^ *Width:|^ *Height:/ { printf "%s ", $NF }'
}

# The user stays on the first desktop, and the window of the second one stays there, as it
# was, whatever group is shown.
expect_desktop_kept() {
    expect_eq "$1: _NET_CURRENT_DESKTOP" "$(qd_root_prop _NET_CURRENT_DESKTOP)" 0
    on_desktop "$away" 1 || fail "$1: the window of desktop 2 moved to another desktop"
    expect_eq "$1: the frame of the window of desktop 2" "$(client_geometry "$away")" "$away_frame"
}

# ---------------------------------------------------------------------------------------
eval "$("$scripts/virtual-desktop.sh" start --bus)"

qd_open_xterm "Quenda group away" "40x10+700+500"
away=$QD_XTERM_ID
wmctrl -i -r "$away" -t 1
qd_wait_until "the window to move to desktop 2" on_desktop "$away" 1 || fail "wmctrl -t 1"
away_frame=$(client_geometry "$away")
for n in 1 2 3 4 5; do
    qd_open_xterm "Quenda group $n" "40x10+$((60 * n))+$((40 * n))"
done
# Front to back as grouping sees them: the stacking order of this desktop, from the top.
front=()
while read -r id; do
    (($(printf '%d' "$id") == $(printf '%d' "$away"))) || front+=("$id")
done < <(qd_client_ids | tac)
((${#front[@]} == 5)) || fail "expected five managed windows here, got ${#front[@]}"

start_quenda 1
run_quenda config set groupSize 2
expect_eq "config set groupSize" "$status" 0

# {1st 2nd} {3rd 4th} {5th}, and the first group shown.
run_quenda action groups.auto
expect_eq "groups.auto status" "$status" 0
expect_shown "groups.auto to show the first group" "${front[0]}" "${front[1]}"
expect_desktop_kept "groups.auto"

run_quenda action groups.next
expect_shown "groups.next to show the second group" "${front[2]}" "${front[3]}"
expect_desktop_kept "groups.next"
import -window root "$artifacts/groups-second.png" || fail "screenshot"

# A minimised window leaves its group: going back shows the one window left, alone.
xdotool windowminimize "${front[0]}"
qd_wait_until "the first window to be minimised" minimized "${front[0]}" || fail "minimise"
run_quenda action groups.prev
expect_shown "groups.prev to show what is left of the first group" "${front[1]}"
expect_desktop_kept "groups.prev"
minimized "${front[0]}" || fail "the minimised window was brought back"

# Restored, it joins the last group, which had room; prev wraps round to it.
activate "${front[0]}"
run_quenda action groups.prev
expect_shown "groups.prev to wrap round to the last group" "${front[4]}" "${front[0]}"
expect_desktop_kept "groups.prev"

qd_alive "$qpid" || fail "quenda died"
e2e_finish groups

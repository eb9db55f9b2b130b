#!/usr/bin/env bash
# End-to-end: saving and restoring a workspace on a private desktop. Two xterms and one of
# our test windows are saved into slot 1, moved, and put back by title; then the xterms are
# closed, and restoring launches xterm again from its installed desktop entry and places
# the new window. Frames come from x11_oracle.py (xwininfo + _NET_FRAME_EXTENTS).
#   workspaces.sh QUENDA_BINARY SCRIPTS_DIR ARTIFACTS_DIR TEST_WINDOW_BINARY
set -euo pipefail

usage="usage: workspaces.sh QUENDA_BINARY SCRIPTS_DIR ARTIFACTS_DIR TEST_WINDOW_BINARY"
quenda=${1:?$usage}
scripts=${2:?$usage}
artifacts=${3:?$usage}
test_window=${4:?$usage}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=scripts/lib/desktop.sh
source "$scripts/lib/desktop.sh"
# shellcheck source=tests/e2e/lib/session.sh
source "$here/lib/session.sh"
mkdir -p "$artifacts"

[[ -f /usr/share/applications/debian-xterm.desktop ]] ||
    qd_die "xterm's desktop entry is missing: install the xterm package"

# at_saved ID...: every window is back at the frame it had when saved.
at_saved() {
    local id
    for id in "$@"; do
        # shellcheck disable=SC2086 # a frame is four numbers
        frame_near "$id" ${saved[$id]} || return 1
    done
}

# A move the window manager carries out, well away from where the window was saved.
move_away() { wmctrl -i -r "$1" -e "0,$2,$3,-1,-1"; }
# shellcheck disable=SC2086 # a frame is four numbers
moved() { ! frame_near "$1" ${saved[$1]}; }

# The managed xterm, once every xterm the test opened is gone: the one restoring launched.
# (Its window id may well be one of theirs again: the server reuses a closed client's ids.)
new_xterm() {
    local id
    for id in $(qd_client_ids); do
        xprop -id "$id" WM_CLASS 2>/dev/null | grep -q '"XTerm"' || continue
        qd_window_framed "$id" || continue
        printf '%s\n' "$id"
        return 0
    done
    return 1
}

# ---------------------------------------------------------------------------------------
eval "$("$scripts/virtual-desktop.sh" start --bus)"

xterms=()
xterm_pids=()
qd_open_xterm "Quenda ws alpha" "40x10+40+60"
xterms+=("$QD_XTERM_ID")
xterm_pids+=("$QD_XTERM_PID")
qd_open_xterm "Quenda ws beta" "40x10+500+300"
xterms+=("$QD_XTERM_ID")
xterm_pids+=("$QD_XTERM_PID")
open_test_window "Quenda ws gamma" --geometry 360x240+900+500
gamma=$window_id

declare -A saved
for id in "${xterms[@]}" "$gamma"; do saved[$id]=$(outer_frame "$id"); done

# Saving goes front to back: the frontmost xterm is the first one saved.
front_xterm=''
for id in $(qd_client_ids | tac); do
    if [[ " ${xterms[*]} " == *" $id "* ]]; then front_xterm=$id && break; fi
done

start_quenda 1
run_quenda action ws.save.1
expect_eq "ws.save.1 status" "$status" 0
slot_has_three() {
    run_quenda config get workspace.1
    [[ $(grep -o '"bundleID"' "$tmp/out" | wc -l) == 3 ]]
}
qd_wait_until "slot 1 to hold three windows" slot_has_three ||
    fail "workspace.1: $(cat "$tmp/out")"
grep -q '"bundleID":"debian-xterm"' "$tmp/out" || fail "xterm's identifier: $(cat "$tmp/out")"
grep -q '"title":"Quenda ws beta"' "$tmp/out" || fail "beta's title: $(cat "$tmp/out")"

# Swap the xterms' places and move the test window: restoring matches each by its title.
move_away "${xterms[0]}" 500 300
move_away "${xterms[1]}" 40 60
move_away "$gamma" 100 500
for id in "${xterms[@]}" "$gamma"; do
    qd_wait_until "window $id to move away" moved "$id" || fail "could not move $id"
done
run_quenda action ws.restore.1
expect_eq "ws.restore.1 status" "$status" 0
qd_wait_until "every window back where it was saved" at_saved "${xterms[@]}" "$gamma" ||
    fail "restored: $(describe "${xterms[@]}" "$gamma")"

# No xterm left: restoring starts one from debian-xterm.desktop and, 3 s later, puts it
# where the first saved xterm was; the second saved xterm has no window left to take.
kill "${xterm_pids[@]}"
gone() { ! qd_client_ids | grep -qi "$(printf '0x%x' "$1")"; }
for id in "${xterms[@]}"; do qd_wait_until "xterm $id to close" gone "$id" || fail "close"; done
move_away "$gamma" 100 500
run_quenda action ws.restore.1
expect_eq "ws.restore.1 (relaunch) status" "$status" 0
qd_wait_until "xterm to be launched" new_xterm ||
    fail "no xterm was launched; running: $("$quenda" apps 2>&1)"
launched=$(new_xterm) || qd_die "no xterm to check"
saved[$launched]=${saved[$front_xterm]}
qd_wait_until "the launched xterm and the test window in place" at_saved "$launched" "$gamma" ||
    fail "after relaunch: $(describe "$launched" "$gamma") (an xterm mapped later than" \
        "3 s after restoring is left where it opened)"
import -window root "$artifacts/workspace-restored.png" || fail "screenshot"

# Slots a hostile or careless hand wrote: read as empty, or their identifiers name no
# installed application, and the application carries on. (That such identifiers never
# start anything is checked with marker files by the desktop-entry tests.)
run_quenda config set workspace.2 '{"bundleID":"debian-xterm"}'
expect_eq "config set workspace.2 (wrong shape)" "$status" 0
run_quenda action ws.restore.2
expect_eq "ws.restore.2 (wrong shape) status" "$status" 0
run_quenda config set workspace.3 \
    '[{"bundleID":"../../../usr/share/applications/debian-xterm","appName":"x","title":"x","frame":[[0,0],[300,200]]},{"bundleID":"/usr/bin/xterm","appName":"x","title":"x","frame":[[0,0],[300,200]]}]'
expect_eq "config set workspace.3 (hostile identifiers)" "$status" 0
run_quenda action ws.restore.3
expect_eq "ws.restore.3 (hostile identifiers) status" "$status" 0

qd_alive "$qpid" || fail "quenda died"
e2e_finish workspaces

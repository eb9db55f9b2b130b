#!/usr/bin/env bash
# End-to-end: the running application on a private desktop with a session bus. Commands
# arrive through `quenda action` and through real key presses; every frame is checked
# with x11_oracle.py (xwininfo + _NET_FRAME_EXTENTS), never with our own code.
#   app_shell.sh QUENDA_BINARY SCRIPTS_DIR ARTIFACTS_DIR
set -euo pipefail

quenda=${1:?usage: app_shell.sh QUENDA_BINARY SCRIPTS_DIR ARTIFACTS_DIR}
scripts=${2:?usage: app_shell.sh QUENDA_BINARY SCRIPTS_DIR ARTIFACTS_DIR}
artifacts=${3:?usage: app_shell.sh QUENDA_BINARY SCRIPTS_DIR ARTIFACTS_DIR}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=scripts/lib/desktop.sh
source "$scripts/lib/desktop.sh"
# shellcheck source=tests/e2e/lib/session.sh
source "$here/lib/session.sh"
mkdir -p "$artifacts"

gone() { ! qd_alive "$1"; }

# The HUD: a top-level window the window manager never manages (override-redirect).
hud_shown() {
    local id
    id=$(xwininfo -root -children | awk '/"Quenda HUD"/ && !found {print $1; found=1}')
    [[ -n $id ]] || return 1
    local info
    info=$(xwininfo -id "$id")
    grep -q 'Map State: IsViewable' <<<"$info" && grep -q 'Override Redirect State: yes' <<<"$info"
}

# ---------------------------------------------------------------------------------------
eval "$("$scripts/virtual-desktop.sh" start --bus)"

# win.right on Ctrl+Alt+R; win.left on Ctrl+Alt+Left, which openbox itself holds.
run_quenda config set customHotKeys.v1 \
    '{"layout.auto":{"keyCode":18,"carbonModifiers":6144},"win.right":{"keyCode":15,"carbonModifiers":6144},"win.left":{"keyCode":123,"carbonModifiers":6144}}'
expect_eq "config set status" "$status" 0

qd_open_xterm "Quenda e2e shell" 60x20+200+150
xterm_id=$QD_XTERM_ID
activate "$xterm_id"

run_quenda action win.left
expect_eq "action without a running instance" "$status" 1
[[ $err == *"not running"* ]] || fail "no-instance message: $err"

start_quenda 3
mapfile -t lines < <(grep '^\[Quenda\] HotKey ' "$tmp/quenda.err")
expect_eq "registration line 1" "${lines[0]:-}" "[Quenda] HotKey ⌃⌥1 · layout.auto → status 0 noErr"
[[ ${lines[1]:-} == "[Quenda] HotKey ⌃⌥← · win.left → status "*" ERROR" &&
    ${lines[1]} != *"status 0 "* ]] || fail "taken combination not reported: ${lines[1]:-}"
expect_eq "registration line 3" "${lines[2]:-}" "[Quenda] HotKey ⌃⌥R · win.right → status 0 noErr"
# No tray host on this desktop: one line says so, and everything else goes on.
[[ $(grep -c 'no system tray' "$tmp/quenda.err") == 1 ]] || fail "no-tray line missing"

# A command from the command line: left half of the 1600x1000 work area, gap 8.
run_quenda action win.left
expect_eq "action status" "$status" 0
qd_wait_until "the xterm on the left half" frame_matches "$xterm_id" 8 8 788 984 16 ||
    fail "left half: $(outer_frame "$xterm_id")"

# A setting changed from the command line applies to the running instance's next command.
# (Another snap than the last: repeating one within two seconds steps to the next size.)
run_quenda config set gap 0
run_quenda action win.top
qd_wait_until "the xterm on the top half without a gap" frame_matches "$xterm_id" 0 0 1600 500 16 ||
    fail "top half, gap 0: $(outer_frame "$xterm_id")"
run_quenda config set gap 8

# A command from a real key press.
xdotool key --clearmodifiers ctrl+alt+r
qd_wait_until "the xterm on the right half" frame_matches "$xterm_id" 804 8 788 984 16 ||
    fail "right half: $(outer_frame "$xterm_id")"

# The HUD: shown without taking focus, kept as an artefact.
run_quenda action win.maxCenter
qd_wait_until "the HUD" hud_shown || fail "no HUD window appeared"
import -window root "$artifacts/app-shell-hud.png" || fail "screenshot"
active_is "$xterm_id" || fail "the HUD took the focus"
qd_wait_until "the maximised xterm" frame_matches "$xterm_id" 8 8 1584 984 16 ||
    fail "maximised: $(outer_frame "$xterm_id")"

# Unknown identifiers are refused before anything is sent.
run_quenda action no.such.action
expect_eq "unknown action status" "$status" 2
[[ $err == *"layout.auto"* && $err == *"tools.dashboard"* ]] || fail "valid ids not listed"

# A second instance hands over to the first and leaves.
run_quenda
expect_eq "second instance status" "$status" 0
qd_alive "$qpid" || fail "the first instance died"

# A lost X connection ends the application with a message instead of a hang.
"$scripts/virtual-desktop.sh" stop
unset QUENDA_VD_PIDS
qd_wait_until "quenda to exit after the X server went away" gone "$qpid" ||
    fail "quenda kept running without its X server"
status=0
wait "$qpid" 2>/dev/null || status=$?
((status != 0)) || fail "quenda exited 0 after losing X"
qpid=

e2e_finish app_shell

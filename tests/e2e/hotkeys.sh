#!/usr/bin/env bash
# End-to-end: the global shortcuts as other applications meet them, on a private desktop.
# Keys come from xdotool; what they did is read by tools we did not write: xev shows which
# keys still reach an ordinary window, x11_oracle.py (xwininfo + _NET_FRAME_EXTENTS) the
# frames the shortcuts gave the xterm. Quenda's registration log is a secondary signal.
#   hotkeys.sh QUENDA_BINARY SCRIPTS_DIR
set -euo pipefail

quenda=${1:?usage: hotkeys.sh QUENDA_BINARY SCRIPTS_DIR}
scripts=${2:?usage: hotkeys.sh QUENDA_BINARY SCRIPTS_DIR}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=scripts/lib/desktop.sh
source "$scripts/lib/desktop.sh"
# shellcheck source=tests/e2e/lib/session.sh
source "$here/lib/session.sh"

log_has() { grep -qF -- "$1" "$tmp/quenda.err"; }

# xev's window, which prints every key it receives.
xev_saw() { grep -q "keysym $1," "$tmp/xev.out"; }
# reaches_xev KEYS KEYSYM: the keys, typed into xev's window, arrive there.
reaches_xev() {
    : >"$tmp/xev.out"
    activate "$xev_id"
    xdotool key --clearmodifiers "$1"
    qd_wait_until "xev to receive $1" xev_saw "$2" || fail "$1 did not reach other windows"
}

# stays_for SECONDS COMMAND...: COMMAND holds at every look until the deadline passes.
stays_for() {
    local end=$((SECONDS + $1))
    shift
    while ((SECONDS < end)); do
        "$@" || return 1
        sleep 0.05
    done
}

top_half() { frame_matches "$xterm_id" 8 8 1584 488 16; }
right_half() { frame_matches "$xterm_id" 804 8 788 984 16; }

# ---------------------------------------------------------------------------------------
eval "$("$scripts/virtual-desktop.sh" start --bus)"

xev -name "Quenda xev" -geometry 300x200+1100+600 -event keyboard >"$tmp/xev.out" 2>&1 &
client_pids+=($!)
qd_wait_until "xev's window" qd_find_window "Quenda xev" >/dev/null
xev_id=$(qd_find_window "Quenda xev")
qd_open_xterm "Quenda e2e hot keys" 60x20+200+150
xterm_id=$QD_XTERM_ID

# Default shortcuts: every default belongs to a command that works, so all eight are taken;
# other combinations stay with the other applications.
start_quenda 8
mapfile -t lines < <(grep '^\[Quenda\] HotKey ' "$tmp/quenda.err")
expect_eq "default registrations" "${lines[*]}" "[Quenda] HotKey ⌃⌥1 · layout.auto → status 0 noErr [Quenda] HotKey ⌃⌥2 · groups.overview → status 0 noErr [Quenda] HotKey ⌥⇧1 · bridge.mark → status 0 noErr [Quenda] HotKey ⌥⇧2 · bridge.send → status 0 noErr [Quenda] HotKey ⌃⌥W · bridge.sendEnter → status 0 noErr [Quenda] HotKey ⌃⌥F · bridge.sendClipboard → status 0 noErr [Quenda] HotKey ⌃⌥G · bridge.group → status 0 noErr [Quenda] HotKey ⌃⌥B · bridge.broadcast → status 0 noErr"
reaches_xev ctrl+alt+y 0x79

# Bindings stored from the command line while quenda runs apply at once. win.left and
# win.center hold bits that are no modifier key: without them they would be a bare A.
run_quenda config set customHotKeys.v1 \
    '{"win.left":{"keyCode":0,"carbonModifiers":1024},"win.right":{"keyCode":37,"carbonModifiers":6144},"win.top":{"keyCode":40,"carbonModifiers":6144},"win.center":{"keyCode":0,"carbonModifiers":1}}'
expect_eq "config set status" "$status" 0
qd_wait_until "the new registration pass" log_has "HotKey ⌃⌥K · win.top → status 0 noErr" ||
    fail "no registration pass after the bindings changed"
for id in win.left win.center; do
    [[ $(grep -c "· $id → not registered: .* ERROR$" "$tmp/quenda.err") == 1 ]] || fail "$id not refused with ERROR"
done
reaches_xev a 0x61

activate "$xterm_id"
xdotool key --clearmodifiers ctrl+alt+l
qd_wait_until "⌃⌥L to put the xterm on the right half" right_half ||
    fail "right half: $(outer_frame "$xterm_id")"

# A held shortcut fires once: X's autorepeat must not step through the sizes of win.top.
xdotool keydown ctrl+alt+k
qd_wait_until "⌃⌥K to put the xterm on the top half" top_half ||
    fail "top half: $(outer_frame "$xterm_id")"
stays_for 2 top_half || fail "holding ⌃⌥K repeated it: $(outer_frame "$xterm_id")"
xdotool keyup ctrl+alt+k
top_half || fail "after releasing ⌃⌥K: $(outer_frame "$xterm_id")"

# After a restart the stored invalid bindings are refused again, and A still types.
kill "$qpid"
wait "$qpid" 2>/dev/null || true
start_quenda 4
for id in win.left win.center; do
    [[ $(grep -c "· $id → not registered: .* ERROR$" "$tmp/quenda.err") == 1 ]] || fail "$id not refused at start"
done
reaches_xev a 0x61
reaches_xev shift+a 0x41

qd_alive "$qpid" || fail "quenda died"
e2e_finish hotkeys

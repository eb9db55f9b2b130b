# What the end-to-end tests of the running application share: a private home, the quenda
# process and the clients they start (always ended), failure counting, the command line,
# and outer frames as the oracle (x11_oracle.py: xwininfo + _NET_FRAME_EXTENTS) sees them.
# Source it after scripts/lib/desktop.sh, with `quenda` and `scripts` set; it defines
# functions and sets up the private home and the exit trap.
# shellcheck shell=bash
# shellcheck disable=SC2154,SC2034 # quenda and scripts come from the test; status, err and the rest go back to it

e2e_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

tmp=$(mktemp -d "${TMPDIR:-/tmp}/quenda-e2e.XXXXXX")
# Keep the user's settings and the caller's session out of the test.
export HOME=$tmp XDG_CONFIG_HOME=$tmp/config XDG_DATA_HOME=$tmp/data
unset DBUS_SESSION_BUS_ADDRESS
qpid=''
client_pids=()

e2e_stop_all() {
    local pid
    for pid in $qpid "${client_pids[@]}"; do
        if qd_alive "$pid"; then kill "$pid" 2>/dev/null || true; fi
    done
    if [[ -n ${QUENDA_VD_PIDS:-} ]]; then "$scripts/virtual-desktop.sh" stop || true; fi
    unset QUENDA_VD_PIDS DISPLAY
}
trap 'e2e_stop_all; rm -rf "$tmp"' EXIT

failures=0
fail() {
    printf 'FAIL %s\n' "$*" >&2
    failures=$((failures + 1))
}
expect_eq() { [[ $2 == "$3" ]] || fail "$1: expected [$3], got [$2]"; }

# e2e_finish NAME: the verdict, as the last line.
e2e_finish() {
    if ((failures)); then
        printf '%s: %d check(s) failed\n' "$1" "$failures" >&2
        exit 1
    fi
    echo "$1: all checks passed"
}

# run_quenda ARGS...: runs the binary with a deadline; sets status and err.
run_quenda() {
    status=0
    timeout 60 "$quenda" "$@" >"$tmp/out" 2>"$tmp/err" || status=$?
    err=$(cat "$tmp/err")
}

hotkey_lines() {
    if [[ -f $tmp/quenda.err ]]; then grep -c '^\[Quenda\] HotKey ' "$tmp/quenda.err" || true; else echo 0; fi
}
has_hotkey_lines() { (($(hotkey_lines) >= ${1:-1})); }

# window_titled PATTERN: the first managed window whose title matches the glob PATTERN.
window_titled() {
    local id
    for id in $(qd_client_ids); do
        # shellcheck disable=SC2053 # a glob on purpose
        if [[ $(qd_window_title "$id") == $1 ]]; then
            printf '%s\n' "$id"
            return 0
        fi
    done
    return 1
}

quenda_gone() { ! qd_alive "$qpid"; }

# start_quenda [LINES]: the application in the background, its stderr in $tmp/quenda.err,
# ready once it has logged LINES hot key registrations (1 by default).
start_quenda() {
    # Emptied first: the new process truncates it only once it runs, and until then the
    # last run's lines would pass for its own.
    : >"$tmp/quenda.err"
    "$quenda" 2>>"$tmp/quenda.err" &
    qpid=$!
    qd_wait_until "the hot key log" has_hotkey_lines "${1:-1}"
}

active_is() { [[ $(qd_root_prop _NET_ACTIVE_WINDOW) == *"$(printf '0x%x' "$1")"* ]]; }
activate() {
    xdotool windowactivate --sync "$1" >/dev/null 2>&1 || true
    qd_wait_until "window $1 to be active" active_is "$1"
}

# outer_frame ID: "x y w h" of the window's outer frame, as the oracle sees it.
outer_frame() {
    python3 "$e2e_dir/x11_oracle.py" | python3 -c '
import json, sys
for w in json.load(sys.stdin):
    if int(w["id"], 0) == int(sys.argv[1], 0):
        print(*w["frame"])' "$1"
}
describe() { for id in "$@"; do printf '[%s] ' "$(outer_frame "$id")"; done; }

# frame_matches ID X Y W H SLACK: position exact; size at most the target and less than
# SLACK below it (xterm takes sizes on its character grid).
frame_matches() {
    local fx fy fw fh
    read -r fx fy fw fh <<<"$(outer_frame "$1")" || return 1
    [[ -n $fx ]] || return 1
    ((fx == $2 && fy == $3 && fw <= $4 && fw > $4 - $6 && fh <= $5 && fh > $5 - $6))
}

# frame_near ID X Y W H: every value within 2 points (decorations may round).
frame_near() {
    local fx fy fw fh
    read -r fx fy fw fh <<<"$(outer_frame "$1")" || return 1
    [[ -n $fx ]] || return 1
    (((fx - $2) ** 2 <= 4 && (fy - $3) ** 2 <= 4 &&
        (fw - $4) ** 2 <= 4 && (fh - $5) ** 2 <= 4))
}

# open_test_window TITLE ARGS...: starts our test window ($test_window, set by the test),
# waits until it is framed and sets window_id.
test_window_listed() {
    qd_alive "${client_pids[-1]}" || qd_die "test window \"$1\" exited before it appeared"
    qd_find_window "$1" >/dev/null
}
open_test_window() {
    local title=$1
    shift
    "$test_window" --title "$title" "$@" >/dev/null 2>&1 &
    client_pids+=($!)
    qd_wait_until "test window \"$title\" to be mapped" test_window_listed "$title"
    window_id=$(qd_find_window "$title")
    qd_wait_until "test window \"$title\" to be framed" qd_window_framed "$window_id"
}

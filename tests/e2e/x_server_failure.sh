#!/usr/bin/env bash
# End-to-end: the listings when the X server fails under them. A stopped server (SIGSTOP,
# before quenda connects and after) makes `quenda windows` give up within its read deadline
# with exit 1 and one line; a server killed during a listing of many windows never passes
# for an empty or partial list: either the whole list (the listing was done first) or exit 1
# with one line. The windows' titles come from xprop, never from our own code.
#   x_server_failure.sh QUENDA_BINARY SCRIPTS_DIR
set -euo pipefail

quenda=${1:?usage: x_server_failure.sh QUENDA_BINARY SCRIPTS_DIR}
scripts=${2:?usage: x_server_failure.sh QUENDA_BINARY SCRIPTS_DIR}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=scripts/lib/desktop.sh
source "$scripts/lib/desktop.sh"
# shellcheck source=tests/e2e/lib/session.sh
source "$here/lib/session.sh"

# The read deadline is 3 s; connecting, the first read and exiting get 3 s more.
max_seconds=6
count=24

# One line on stderr, naming the X server or its connection.
one_x_line() { [[ $err != *$'\n'* && $err == "quenda: "*X* ]]; }

server_answers() { xprop -root _NET_SUPPORTING_WM_CHECK >/dev/null 2>&1; }

# connected PID: the listing has its X connection (a socket) open. Builtins only, so the
# check itself is quick: -S follows the descriptor's link to the socket.
connected() {
    local n
    for n in 3 4 5 6 7 8 9; do
        [[ -S /proc/$1/fd/$n ]] && return 0
    done
    return 1
}
# wait_connected: returns once the listing holds its connection, or has ended. Polled
# without a pause: a listing takes a few milliseconds, and it ends by itself either way.
wait_connected() {
    until connected "$lpid" || ! qd_alive "$lpid"; do :; done
}
# awaiting_reply: the listing waits in poll() with a finite timeout: for a reply, under its
# read deadline (the greeting of a new connection is awaited with no timeout).
awaiting_reply() {
    local -a call
    read -r -a call 2>/dev/null <"/proc/$lpid/syscall" || return 1
    [[ ${call[0]} == 7 && ${call[3]} != 0xffffffffffffffff ]]
}
listing_done() { ! qd_alive "$lpid"; }

# start_listing: `quenda windows --json` in the background, its pid in lpid.
start_listing() {
    started_ns=$(date +%s%N)
    "$quenda" windows --json >"$tmp/out" 2>"$tmp/err" &
    lpid=$!
}
# finish_listing: waits (with a backstop) and sets status, err and seconds.
finish_listing() {
    qd_wait_until "the listing to end" listing_done ||
        { kill -KILL "$lpid" 2>/dev/null || true; }
    status=0
    wait "$lpid" || status=$?
    seconds=$((($(date +%s%N) - started_ns) / 1000000000))
    err=$(cat "$tmp/err")
}

# ---------------------------------------------------------------------------------------
eval "$("$scripts/virtual-desktop.sh" start)"
read -r -a vd_pids <<<"$QUENDA_VD_PIDS"
xvfb=${vd_pids[-1]} # started first, listed last
[[ $(cat "/proc/$xvfb/comm") == Xvfb ]] || fail "expected Xvfb as pid $xvfb"

for ((n = 1; n <= count; n++)); do
    qd_open_xterm "Quenda failure $n" "20x4+$((n * 20))+$((n * 15))"
done

run_quenda windows --json
expect_eq "listing with the server running" "$status" 0
expect_eq "windows listed" "$(grep -c '"Quenda failure ' "$tmp/out")" "$count"

# Stopped before quenda connects: the greeting never comes.
kill -STOP "$xvfb"
start_listing
finish_listing
kill -CONT "$xvfb"
expect_eq "stopped server before connecting: status" "$status" 1
one_x_line || fail "stopped server before connecting: expected one line, got [$err]"
((seconds <= max_seconds)) || fail "stopped server before connecting: took ${seconds} s"
[[ ! -s $tmp/out ]] || fail "stopped server before connecting: printed a listing"

# Stopped once quenda holds its connection: a read gives up at the deadline.
qd_wait_until "the server to answer again" server_answers
start_listing
wait_connected
kill -STOP "$xvfb"
finish_listing
kill -CONT "$xvfb"
if ((status == 0)); then
    # It was quicker than the stop: then the list is whole.
    expect_eq "listing before the stop" "$(grep -c '"Quenda failure ' "$tmp/out")" "$count"
else
    expect_eq "stopped server while listing: status" "$status" 1
    one_x_line || fail "stopped server while listing: expected one line, got [$err]"
    ((seconds <= max_seconds)) || fail "stopped server while listing: took ${seconds} s"
    [[ ! -s $tmp/out ]] || fail "stopped server while listing: printed a listing"
fi
printf 'stopped server while listing: quenda exited %s: %s\n' "$status" "${err:-(complete list)}"

# Killed during the listing: never an empty or partial list that exits 0. The server is
# stopped first, so it dies while the listing waits for a reply, when the stop came in time.
qd_wait_until "the server to answer again" server_answers
start_listing
wait_connected
kill -STOP "$xvfb"
until awaiting_reply || ! qd_alive "$lpid"; do :; done
kill -KILL "$xvfb"
finish_listing
if ((status == 0)); then
    expect_eq "listing before the kill" "$(grep -c '"Quenda failure ' "$tmp/out")" "$count"
else
    expect_eq "killed server: status" "$status" 1
    one_x_line || fail "killed server: expected one line, got [$err]"
    [[ ! -s $tmp/out ]] || fail "killed server: printed a listing"
fi
printf 'killed server: quenda exited %s: %s\n' "$status" "${err:-(complete list)}"

e2e_finish x_server_failure

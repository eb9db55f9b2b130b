#!/usr/bin/env bash
# End-to-end timing of two commands the user waits on, from `quenda action ID` (its own
# start-up included) to the end state the X server reports, on a private Xvfb + openbox:
#   - a group switch of 4 windows (groupSize 4, 8 xterms): until the shown group's last
#     frame is final and its first window is _NET_ACTIVE_WINDOW. The switch raises one
#     window per 0.08 s by design, so about 0.24 s of each figure is intended delay;
#   - a workspace restore of 6 xterms: until every frame is back at its saved frame
#     (within 2 px) and the saved frontmost window is active.
# Prints median, min and max in milliseconds over ROUNDS rounds (10 by default), beside
# the binary's bare start-up and a command the instance only answers, for context.
# Run by hand, never as a test:
#   bench/switch_restore_timing.sh QUENDA_BINARY [ROUNDS]
set -euo pipefail

usage="usage: switch_restore_timing.sh QUENDA_BINARY [ROUNDS]"
quenda=${1:?$usage}
rounds=${2:-10}
[[ $rounds =~ ^[1-9][0-9]*$ ]] || { echo "$usage (ROUNDS: a positive number)" >&2; exit 2; }
[[ -x $quenda ]] || { echo "switch_restore_timing.sh: $quenda is not executable" >&2; exit 2; }
quenda=$(cd "$(dirname "$quenda")" && pwd)/$(basename "$quenda")

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
scripts=$root/scripts
timing=$root/bench/lib/x11_timing.py
# shellcheck source=scripts/lib/desktop.sh
source "$scripts/lib/desktop.sh"
# shellcheck source=tests/e2e/lib/session.sh
source "$root/tests/e2e/lib/session.sh"
# session.sh ends quenda, the xterms and the desktop on exit; make signals exit too.
trap 'exit 130' INT TERM

for tool in Xvfb openbox xterm xdotool wmctrl xprop xwininfo xev xrandr stdbuf python3; do
    command -v "$tool" >/dev/null || qd_die "$tool is not installed"
done
[[ -f /usr/share/applications/debian-xterm.desktop ]] ||
    qd_die "xterm's desktop entry is missing: install the xterm package"

# open_xterms PREFIX GEOMETRY...: one xterm per geometry, titled "PREFIX N"; fills ids with
# the managed windows front to back (the last opened is in front), and xterm_pids.
open_xterms() {
    local prefix=$1 n=0 geometry
    shift
    xterm_pids=()
    for geometry in "$@"; do
        n=$((n + 1))
        qd_open_xterm "$prefix $n" "$geometry"
        client_pids+=("$QD_XTERM_PID")
        xterm_pids+=("$QD_XTERM_PID")
    done
    mapfile -t ids < <(qd_client_ids | tac)
    ((${#ids[@]} == $#)) || qd_die "expected $# managed windows, got ${#ids[@]}"
}

slot_holds() {
    run_quenda config get workspace.1
    [[ $(grep -o '"bundleID"' "$tmp/out" | wc -l) == "$1" ]]
}

gone() { ! qd_client_ids | grep -qi "$(printf '0x%x' "$1")"; }

# timed_rounds ARGS...: the timing helper, in the background so that a signal reaches the
# exit trap at once, and listed so that the trap ends it (it then ends its xev and xprop).
timed_rounds() {
    python3 "$timing" "$@" &
    client_pids+=($!)
    wait "$!"
}

# ---------------------------------------------------------------------------------------
eval "$("$scripts/virtual-desktop.sh" start --bus)"
printf 'quenda: %s (%s), %s rounds, Xvfb 1600x1000 + openbox, %s cores, load %s\n' \
    "$quenda" "$("$quenda" --version)" "$rounds" "$(nproc)" \
    "$(cut -d' ' -f1-3 /proc/loadavg)"

# Set before the start, so the running instance reads it at once.
run_quenda config set groupSize 4
[[ $status == 0 ]] || qd_die "config set groupSize 4: $err"

declare -a ids xterm_pids
open_xterms "Bench group" 40x10+60+40 40x10+120+80 40x10+180+120 40x10+240+160 \
    40x10+300+200 40x10+360+240 40x10+420+280 40x10+480+320
start_quenda 1

timed_rounds commands "$quenda" "$rounds"
# groups.auto chunks front to back: the four frontmost, then the four behind.
timed_rounds groups "$quenda" "$rounds" "${ids[@]}"

# The workspace: six fresh xterms at distinct frames, the only visible windows.
old_ids=("${ids[@]}")
kill "${xterm_pids[@]}"
for id in "${old_ids[@]}"; do qd_wait_until "xterm $id to close" gone "$id"; done
open_xterms "Bench ws" 50x12+40+40 60x14+420+80 45x10+900+60 55x16+100+480 \
    40x12+640+520 70x18+1000+600
run_quenda action ws.save.1
[[ $status == 0 ]] || qd_die "ws.save.1: $err"
qd_wait_until "slot 1 to hold six windows" slot_holds 6
timed_rounds restore "$quenda" "$rounds" 1 "${ids[@]}"

qd_alive "$qpid" || qd_die "quenda died during the benchmark"

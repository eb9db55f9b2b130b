#!/usr/bin/env bash
# The corner button's costs on a private Xvfb + openbox, with quenda in "always" mode on a
# focused xterm:
#   - idle: CPU ticks and wake-ups (context switches of all of quenda's threads) over
#     IDLE_SECONDS (60 by default) while nothing moves, beside the 5 wake-ups a second a
#     0.18 s polling timer would cost;
#   - drag: the capsule's lag behind the frame's own ConfigureNotify while the xterm is
#     dragged by its title bar (bench_corner_drag_lag).
# Run by hand, never as a test:
#   bench/corner_button.sh QUENDA_BINARY DRAG_LAG_BINARY [IDLE_SECONDS]
set -euo pipefail

usage="usage: corner_button.sh QUENDA_BINARY DRAG_LAG_BINARY [IDLE_SECONDS]"
quenda=${1:?$usage}
lag=${2:?$usage}
idle=${3:-60}
[[ $idle =~ ^[1-9][0-9]*$ ]] || { echo "$usage (IDLE_SECONDS: a positive number)" >&2; exit 2; }
quenda=$(cd "$(dirname "$quenda")" && pwd)/$(basename "$quenda")
lag=$(cd "$(dirname "$lag")" && pwd)/$(basename "$lag")

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
scripts=$root/scripts
# shellcheck source=scripts/lib/desktop.sh
source "$scripts/lib/desktop.sh"
# shellcheck source=tests/e2e/lib/session.sh
source "$root/tests/e2e/lib/session.sh"
trap 'exit 130' INT TERM

eval "$("$scripts/virtual-desktop.sh" start --bus)"
export XDG_CACHE_HOME=$tmp/cache NO_AT_BRIDGE=1

qd_open_xterm "Quenda drag" 80x24+200+300
term=$QD_XTERM_ID
activate "$term"
start_quenda 1
capsule_id() { xwininfo -root -children | grep -F '"Quenda corner button":' | awk '{ print $1 }'; }
capsule_shown() {
    local id
    id=$(capsule_id)
    [[ -n $id ]] && xwininfo -id "$id" | grep -q 'Map State: IsViewable'
}
qd_wait_until "the capsule" capsule_shown || qd_die "no capsule"

# ticks PID: user + system CPU ticks; switches PID: context switches of every thread.
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
switches() {
    cat /proc/"$1"/task/*/status | awk '/ctxt_switches/ { n += $2 } END { print n }'
}
t0=$(ticks "$qpid")
s0=$(switches "$qpid")
sleep "$idle" # the measurement itself: nothing may happen meanwhile
t1=$(ticks "$qpid")
s1=$(switches "$qpid")
printf 'idle %s s: %d CPU ticks (%s per second), %d wake-ups (a 0.18 s timer: %d)\n' \
    "$idle" "$((t1 - t0))" "$(getconf CLK_TCK)" "$((s1 - s0))" "$((idle * 100 / 18))"

frame=$(xwininfo -tree -id "$term" | awk '/Parent window id/ { print $4 }')
read -r fx fy _ _ <<<"$(outer_frame "$term")"
"$lag" "$frame" "$(capsule_id)" "$((fx + 200))" "$((fy + 8))" 150
qd_alive "$qpid" || qd_die "quenda died"

#!/usr/bin/env bash
# The organiser's opening on a private Xvfb + openbox (1600x1000) with 30 xterms of distinct
# colours, some overlapping, and quenda: bench_overview_open types Ctrl+Alt+2 with XTest and
# times, from the X server's own reports, the key press to the organiser's first full paint
# (every card laid out), to its mapping and to the last picture painted. Run by hand:
#   bench/overview_open.sh QUENDA_BINARY build/bench/bench_overview_open [ROUNDS]
set -euo pipefail

usage="usage: overview_open.sh QUENDA_BINARY OBSERVER_BINARY [ROUNDS]"
quenda=${1:?$usage}
observer=${2:?$usage}
rounds=${3:-10}
[[ $rounds =~ ^[1-9][0-9]*$ ]] || { echo "$usage (ROUNDS: a positive number)" >&2; exit 2; }
quenda=$(cd "$(dirname "$quenda")" && pwd)/$(basename "$quenda")
observer=$(cd "$(dirname "$observer")" && pwd)/$(basename "$observer")

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
scripts=$root/scripts
# shellcheck source=scripts/lib/desktop.sh
source "$scripts/lib/desktop.sh"
# shellcheck source=tests/e2e/lib/session.sh
source "$root/tests/e2e/lib/session.sh"
trap 'exit 130' INT TERM

eval "$("$scripts/virtual-desktop.sh" start --bus)"
export XDG_CACHE_HOME=$tmp/cache NO_AT_BRIDGE=1

readonly windows=30
for ((i = 0; i < windows; i++)); do
    row=$((i / 6)) column=$((i % 6))
    xterm -T "Quenda bench $i" -geometry "70x20+$((column * 220))+$((row * 150))" \
        -bg "rgb:$(printf '%02x/%02x/%02x' $((i * 8)) $((255 - i * 8)) $((i * 37 % 256)))" \
        -e cat </dev/null >/dev/null 2>&1 &
    client_pids+=($!)
done
all_framed() {
    local n=0 id
    for id in $(qd_client_ids); do
        [[ $(qd_window_title "$id") == "Quenda bench "* ]] && n=$((n + 1))
    done
    ((n == windows))
}
qd_wait_until "$windows xterms" all_framed || qd_die "the xterms did not open"
start_quenda 2
# The keyboard the shortcut comes from (XTest's) is made the current one first: switching
# keyboards has every client reload its keymap, a cost of the bench and not of the opening.
xdotool key shift
"$observer" "$qpid" 1600 1000 "$rounds"
qd_alive "$qpid" || qd_die "quenda died"

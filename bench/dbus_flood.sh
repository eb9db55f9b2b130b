#!/usr/bin/env bash
# A burst of session-bus calls at a running quenda on a private Xvfb + openbox with its own
# session bus and one xterm in front (see bench/dbus_flood.cpp for what is printed).
# Run by hand, never as a test:
#   bench/dbus_flood.sh QUENDA_BINARY BENCH_DBUS_FLOOD [CALLS] [ACTION]
set -euo pipefail

usage="usage: dbus_flood.sh QUENDA_BINARY BENCH_DBUS_FLOOD [CALLS] [ACTION]"
quenda=${1:?$usage}
flood=${2:?$usage}
calls=${3:-20000}
action=${4:-win.center}
quenda=$(cd "$(dirname "$quenda")" && pwd)/$(basename "$quenda")
flood=$(cd "$(dirname "$flood")" && pwd)/$(basename "$flood")

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
scripts=$root/scripts
# shellcheck source=scripts/lib/desktop.sh
source "$scripts/lib/desktop.sh"
# shellcheck source=tests/e2e/lib/session.sh
source "$root/tests/e2e/lib/session.sh"
trap 'exit 130' INT TERM

eval "$("$scripts/virtual-desktop.sh" start --bus)"
qd_open_xterm "Quenda flood" 80x24+100+100
client_pids+=("$QD_XTERM_PID")
start_quenda 1
"$flood" "$calls" "$action"
qd_alive "$qpid" || qd_die "quenda died during the burst"

#!/usr/bin/env bash
# End-to-end: the first start on a desktop that gives Quenda no control of its windows (no
# window manager). The guides cannot be shown there, so they must stay for a later start:
# the settings file, read with python's json module, never says they were shown.
#   first_run.sh QUENDA_BINARY SCRIPTS_DIR
set -euo pipefail

quenda=${1:?usage: first_run.sh QUENDA_BINARY SCRIPTS_DIR}
scripts=${2:?usage: first_run.sh QUENDA_BINARY SCRIPTS_DIR}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=scripts/lib/desktop.sh
source "$scripts/lib/desktop.sh"
# shellcheck source=tests/e2e/lib/session.sh
source "$here/lib/session.sh"

eval "$("$scripts/virtual-desktop.sh" start --wm none --bus)"
file=$XDG_CONFIG_HOME/Quenda/defaults.json

onboarding_recorded() {
    [[ -f $file ]] && python3 - "$file" <<'PY'
import json, sys
sys.exit(0 if json.load(open(sys.argv[1])).get("didShowAccessibilityOnboarding") is True else 1)
PY
}
up_for() { (($(date +%s%N) - started >= $1 * 1000000000)); }

start_quenda 1
started=$(date +%s%N)
# The guides would come 0.6 s after start; give a slow machine several times that.
until up_for 3; do
    onboarding_recorded && break
    sleep 0.1
done
onboarding_recorded && fail "the guides were marked as shown, though nothing showed them"
qd_alive "$qpid" || fail "quenda exited: $(tail -n3 "$tmp/quenda.err")"

# The next start is still a first run for the guides.
kill "$qpid"
qd_wait_until "quenda to exit" quenda_gone
start_quenda 1
onboarding_recorded && fail "the second start found the guides used up"

e2e_finish first_run

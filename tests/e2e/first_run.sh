#!/usr/bin/env bash
# End-to-end: the first start on a desktop that gives Quenda no control of its windows (no
# window manager). The dashboard opens on its guides once: the settings file, read with
# python's json module, says so, and xwininfo sees the window; the next start shows
# nothing.
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
# The dashboard's top-level window, mapped (no window manager frames it here).
dashboard_shown() {
    local id
    id=$(xwininfo -root -children | awk '/"Quenda": \("quenda"/ {print $1; exit}')
    [[ -n $id ]] && xwininfo -id "$id" | grep -q 'Map State: IsViewable'
}
up_for() { (($(date +%s%N) - started >= $1 * 1000000000)); }

start_quenda 1
qd_wait_until "the guides to be recorded as shown" onboarding_recorded ||
    fail "the first start did not record the guides"
qd_wait_until "the dashboard on its guides" dashboard_shown || fail "no dashboard on the first start"
qd_alive "$qpid" || fail "quenda exited: $(tail -n3 "$tmp/quenda.err")"

# The next start shows them no more. The guides came 0.6 s after the first start; give a
# slow machine several times that to show them wrongly.
kill "$qpid"
qd_wait_until "quenda to exit" quenda_gone
start_quenda 1
started=$(date +%s%N)
until up_for 3; do
    dashboard_shown && break
    sleep 0.1
done
dashboard_shown && fail "the second start showed the guides again"
onboarding_recorded || fail "the second start forgot that the guides were shown"

e2e_finish first_run

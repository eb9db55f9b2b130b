#!/usr/bin/env bash
# End-to-end: tiling and the mosaic on a private desktop. Four xterms are tiled into a
# 2x2 grid through `quenda action`, then rotated; every frame is checked with
# x11_oracle.py (xwininfo + _NET_FRAME_EXTENTS), never with our own code.
#   tiling.sh QUENDA_BINARY SCRIPTS_DIR ARTIFACTS_DIR
set -euo pipefail

quenda=${1:?usage: tiling.sh QUENDA_BINARY SCRIPTS_DIR ARTIFACTS_DIR}
scripts=${2:?usage: tiling.sh QUENDA_BINARY SCRIPTS_DIR ARTIFACTS_DIR}
artifacts=${3:?usage: tiling.sh QUENDA_BINARY SCRIPTS_DIR ARTIFACTS_DIR}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=scripts/lib/desktop.sh
source "$scripts/lib/desktop.sh"
mkdir -p "$artifacts"

tmp=$(mktemp -d "${TMPDIR:-/tmp}/quenda-e2e.XXXXXX")
export HOME=$tmp XDG_CONFIG_HOME=$tmp/config XDG_DATA_HOME=$tmp/data
unset DBUS_SESSION_BUS_ADDRESS
qpid=

stop_all() {
    if [[ -n $qpid ]] && qd_alive "$qpid"; then kill "$qpid" 2>/dev/null || true; fi
    if [[ -n ${QUENDA_VD_PIDS:-} ]]; then "$scripts/virtual-desktop.sh" stop || true; fi
    unset QUENDA_VD_PIDS DISPLAY
}
trap 'stop_all; rm -rf "$tmp"' EXIT

failures=0
fail() {
    printf 'FAIL %s\n' "$*" >&2
    failures=$((failures + 1))
}
expect_eq() { [[ $2 == "$3" ]] || fail "$1: expected [$3], got [$2]"; }

run_quenda() {
    status=0
    timeout 60 "$quenda" "$@" >"$tmp/out" 2>"$tmp/err" || status=$?
}

# outer_frame ID: "x y w h" of the window's outer frame, as the oracle sees it.
outer_frame() {
    python3 "$here/x11_oracle.py" | python3 -c '
import json, sys
for w in json.load(sys.stdin):
    if int(w["id"], 0) == int(sys.argv[1], 0):
        print(*w["frame"])' "$1"
}

# frame_matches ID X Y W H: position exact; size at most the target and within 16 points
# below it (xterm takes sizes on its character grid).
frame_matches() {
    local fx fy fw fh
    read -r fx fy fw fh <<<"$(outer_frame "$1")" || return 1
    [[ -n $fx ]] || return 1
    ((fx == $2 && fy == $3 && fw <= $4 && fw > $4 - 16 && fh <= $5 && fh > $5 - 16))
}

# all_in_cells ID... : the windows, in order, fill the cells of `cells`, in order.
all_in_cells() {
    local i=0 id
    for id in "$@"; do
        # shellcheck disable=SC2086 # a cell is four numbers
        frame_matches "$id" ${cells[i]} || return 1
        i=$((i + 1))
    done
}

active_is() { [[ $(qd_root_prop _NET_ACTIVE_WINDOW) == *"$(printf '0x%x' "$1")"* ]]; }
has_hotkey_lines() {
    [[ -f $tmp/quenda.err ]] && grep -q '^\[Quenda\] HotKey ' "$tmp/quenda.err"
}

# ---------------------------------------------------------------------------------------
eval "$("$scripts/virtual-desktop.sh" start --bus)"

ids=()
for n in 1 2 3 4; do
    qd_open_xterm "Quenda tiling $n" "50x15+$((60 * n))+$((50 * n))"
    ids+=("$QD_XTERM_ID")
done
# The second xterm takes the main place; the others follow front to back (4, 3, 1).
xdotool windowactivate --sync "${ids[1]}" >/dev/null 2>&1 || true
qd_wait_until "the second xterm to be active" active_is "${ids[1]}"

"$quenda" 2>"$tmp/quenda.err" &
qpid=$!
qd_wait_until "the hot key log" has_hotkey_lines

# grid2x2 in the 1600x1000 work area with the default gap of 8.
cells=("8 8 788 488" "804 8 788 488" "8 504 788 488" "804 504 788 488")
order=("${ids[1]}" "${ids[3]}" "${ids[2]}" "${ids[0]}")
run_quenda action layout.grid2x2
expect_eq "layout.grid2x2 status" "$status" 0
qd_wait_until "the four xterms in the 2x2 grid" all_in_cells "${order[@]}" ||
    fail "grid2x2: $(for id in "${order[@]}"; do printf '[%s] ' "$(outer_frame "$id")"; done)"
import -window root "$artifacts/tiling-grid2x2.png" || fail "screenshot"

# Rotate: every window moves one cell on, the last one back to the main cell.
run_quenda action mosaic.rotate
expect_eq "mosaic.rotate status" "$status" 0
rotated=("${order[3]}" "${order[0]}" "${order[1]}" "${order[2]}")
qd_wait_until "the xterms one cell on" all_in_cells "${rotated[@]}" ||
    fail "rotated: $(for id in "${rotated[@]}"; do printf '[%s] ' "$(outer_frame "$id")"; done)"

qd_alive "$qpid" || fail "quenda died"
if ((failures)); then
    printf 'tiling: %d check(s) failed\n' "$failures" >&2
    exit 1
fi
echo "tiling: all checks passed"

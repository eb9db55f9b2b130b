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
# shellcheck source=tests/e2e/lib/session.sh
source "$here/lib/session.sh"
mkdir -p "$artifacts"

# all_in_cells ID... : the windows, in order, fill the cells of `cells`, in order.
all_in_cells() {
    local i=0 id
    for id in "$@"; do
        # shellcheck disable=SC2086 # a cell is four numbers
        frame_matches "$id" ${cells[i]} 16 || return 1
        i=$((i + 1))
    done
}

# ---------------------------------------------------------------------------------------
eval "$("$scripts/virtual-desktop.sh" start --bus)"

ids=()
for n in 1 2 3 4; do
    qd_open_xterm "Quenda tiling $n" "50x15+$((60 * n))+$((50 * n))"
    ids+=("$QD_XTERM_ID")
done
# The second xterm takes the main place; the others follow front to back (4, 3, 1).
activate "${ids[1]}"

start_quenda 1

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
e2e_finish tiling

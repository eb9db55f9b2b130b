#!/usr/bin/env bash
# End-to-end: tiling by a real key press, and the adaptive width pass with a window that
# refuses the width it is given, on a private desktop. The refusing window is our own
# quenda-test-window, whose size hints fix its width; every frame is checked with
# x11_oracle.py (xwininfo + _NET_FRAME_EXTENTS), never with our own code.
#   tiling_refusal.sh QUENDA_BINARY SCRIPTS_DIR ARTIFACTS_DIR TEST_WINDOW_BINARY
set -euo pipefail

usage="usage: tiling_refusal.sh QUENDA_BINARY SCRIPTS_DIR ARTIFACTS_DIR TEST_WINDOW_BINARY"
quenda=${1:?$usage}
scripts=${2:?$usage}
artifacts=${3:?$usage}
test_window=${4:?$usage}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=scripts/lib/desktop.sh
source "$scripts/lib/desktop.sh"
# shellcheck source=tests/e2e/lib/session.sh
source "$here/lib/session.sh"
mkdir -p "$artifacts"

# all_in ID... : the windows, in order, are at the frames of `frames` (checked by `check`).
all_in() {
    local i=0 id
    for id in "$@"; do
        # shellcheck disable=SC2086 # a frame is four numbers (and a slack)
        "$check" "$id" ${frames[i]} || return 1
        i=$((i + 1))
    done
}

not_listed() { ! qd_client_ids | grep -qix "$(printf '0x%x' "$1")"; }

# ---------------------------------------------------------------------------------------
eval "$("$scripts/virtual-desktop.sh" start --bus)"

# The test window is a normal managed window that names its process.
open_test_window "Quenda probe" --geometry 300x200+100+100
probe=$window_id
xprop -id "$probe" _NET_WM_WINDOW_TYPE | grep -q '_NET_WM_WINDOW_TYPE_NORMAL' ||
    fail "test window type: $(xprop -id "$probe" _NET_WM_WINDOW_TYPE)"
expect_eq "test window pid" "$(xprop -id "$probe" _NET_WM_PID)" \
    "_NET_WM_PID(CARDINAL) = ${client_pids[-1]}"
kill "${client_pids[-1]}"
qd_wait_until "the probe window to go" not_listed "$probe"

xterms=()
xterm_pids=()
for n in 1 2 3; do
    qd_open_xterm "Quenda auto $n" "50x15+$((80 * n))+$((60 * n))"
    xterms+=("$QD_XTERM_ID")
    xterm_pids+=("$QD_XTERM_PID")
done
client_pids+=("${xterm_pids[@]}")
activate "${xterms[0]}"

start_quenda 1

# (a) layout.auto on its default key, Ctrl+Alt+1: three windows take three columns of the
# 1600x1000 work area with gap 8 (cells 522.67 wide, rounded). The focused xterm goes
# first, the others follow front to back (3, then 2).
frames=("8 8 523 984 16" "539 8 523 984 16" "1069 8 523 984 16")
check=frame_matches
order=("${xterms[0]}" "${xterms[2]}" "${xterms[1]}")
xdotool key --clearmodifiers ctrl+alt+1
qd_wait_until "the three xterms in three columns" all_in "${order[@]}" ||
    fail "layout.auto: $(describe "${order[@]}")"
import -window root "$artifacts/tiling-auto-key.png" || fail "screenshot"

for i in 0 1 2; do
    kill "${xterm_pids[i]}"
    qd_wait_until "xterm $((i + 1)) to go" not_listed "${xterms[i]}"
done

# (b) columns3 with a window that keeps its width of 700 in the middle slot. Slot 0 is the
# focused window, then the others front to back, so the refusing window is raised just
# before the one that will be focused.
open_test_window "Quenda right" --geometry 400x300+900+200
right=$window_id
open_test_window "Quenda fixed" --geometry 700x300+500+150 --fixed-width 700
fixed=$window_id
open_test_window "Quenda left" --geometry 400x300+100+100
left=$window_id
activate "$right"
activate "$fixed"
activate "$left"

# The refusing window's outer width: its 700 plus the left and right frame extents.
read -r _ _ fixed_w _ <<<"$(outer_frame "$fixed")"
extents=$(xprop -id "$fixed" _NET_FRAME_EXTENTS)
read -r ext_left ext_right _ <<<"$(tr -d ',' <<<"${extents#*= }")"
expect_eq "fixed window outer width" "$fixed_w" "$((700 + ext_left + ext_right))"

# The adaptive pass: free = 1600 - 8 * 4 - fixed_w is shared by the two others, the
# rightmost taking the rest; x runs from the gap with one gap between windows.
free=$((1600 - 8 * 4 - fixed_w))
share=$((free / 2))
rest=$((free - 2 * share))
frames=("8 8 $share 984"
    "$((8 + share + 8)) 8 $fixed_w 984"
    "$((8 + share + 8 + fixed_w + 8)) 8 $((share + rest)) 984")
check=frame_near
run_quenda action layout.columns3
expect_eq "layout.columns3 status" "$status" 0
qd_wait_until "the neighbours to share what the fixed window leaves" \
    all_in "$left" "$fixed" "$right" ||
    fail "columns3 with a fixed window: $(describe "$left" "$fixed" "$right")"
# The row fills the area: the right window ends one gap before the edge.
read -r rx _ rw _ <<<"$(outer_frame "$right")"
expect_eq "right edge of the row" "$((rx + rw))" 1592
import -window root "$artifacts/tiling-refusal.png" || fail "screenshot"

# (c) mosaic.promote: the focused right window takes slot 0's frame and the left window
# takes the right window's.
activate "$right"
run_quenda action mosaic.promote
expect_eq "mosaic.promote status" "$status" 0
frames=("8 8 $share 984" "$((8 + share + 8 + fixed_w + 8)) 8 $((share + rest)) 984")
qd_wait_until "the right and left windows to swap frames" all_in "$right" "$left" ||
    fail "promote: $(describe "$right" "$left")"
frame_near "$fixed" "$((8 + share + 8))" 8 "$fixed_w" 984 ||
    fail "promote moved the fixed window: $(outer_frame "$fixed")"

qd_alive "$qpid" || fail "quenda died"
e2e_finish tiling_refusal

#!/usr/bin/env bash
# End-to-end: Quenda's icon in a real tray host (trayer), its menu opened with a click and
# kept as a screenshot, and an item chosen from the keyboard. The items themselves are
# checked against the menu model in the unit tests; here the menu is live and its last
# item quits.
#   tray_menu.sh QUENDA_BINARY SCRIPTS_DIR ARTIFACTS_DIR
set -euo pipefail

quenda=${1:?usage: tray_menu.sh QUENDA_BINARY SCRIPTS_DIR ARTIFACTS_DIR}
scripts=${2:?usage: tray_menu.sh QUENDA_BINARY SCRIPTS_DIR ARTIFACTS_DIR}
artifacts=${3:?usage: tray_menu.sh QUENDA_BINARY SCRIPTS_DIR ARTIFACTS_DIR}
# shellcheck source=scripts/lib/desktop.sh
source "$scripts/lib/desktop.sh"
mkdir -p "$artifacts"

tmp=$(mktemp -d "${TMPDIR:-/tmp}/quenda-e2e.XXXXXX")
export HOME=$tmp XDG_CONFIG_HOME=$tmp/config XDG_DATA_HOME=$tmp/data
unset DBUS_SESSION_BUS_ADDRESS
qpid=''
tpid=''

stop_all() {
    local pid
    for pid in $qpid $tpid; do
        if qd_alive "$pid"; then kill "$pid" 2>/dev/null || true; fi
    done
    if [[ -n ${QUENDA_VD_PIDS:-} ]]; then "$scripts/virtual-desktop.sh" stop || true; fi
}
trap 'stop_all; rm -rf "$tmp"' EXIT

# The icon window Quenda docked into the tray: a child of trayer's panel.
icon_window() {
    xwininfo -root -tree | awk '/"panel": \("panel" "trayer"\)/ {inpanel=1; next}
        inpanel && !found && /"quenda": \("quenda" "quenda"\)/ {print $1; found=1}'
}
icon_docked() { [[ -n $(icon_window) ]]; }

# Mapped, unmanaged top-level windows of Quenda larger than the HUD: the open menu.
menu_window() {
    xwininfo -root -children | awk '/\("quenda" "quenda"\)/ {print $1}' | while read -r id; do
        local info
        info=$(xwininfo -id "$id")
        grep -q 'Map State: IsViewable' <<<"$info" || continue
        grep -q 'Override Redirect State: yes' <<<"$info" || continue
        local h
        h=$(awk '/Height:/ {print $2}' <<<"$info")
        ((h > 100)) && { echo "$id"; return 0; }
    done
    return 0
}
menu_open() { [[ -n $(menu_window) ]]; }
# trayer maps its panel once it has taken the tray selection.
tray_ready() {
    local id
    id=$(xwininfo -root -tree | awk '/"panel": \("panel" "trayer"\)/ && !found {print $1; found=1}')
    [[ -n $id ]] && xwininfo -id "$id" | grep -q 'Map State: IsViewable'
}
gone() { ! qd_alive "$1"; }

eval "$("$scripts/virtual-desktop.sh" start --bus)"
trayer --edge top --align right --widthtype request --height 28 --transparent false \
    --tint 0x333333 --SetDockType true >/dev/null 2>&1 &
tpid=$!
qd_wait_until "the tray host" tray_ready
"$quenda" 2>"$tmp/quenda.err" &
qpid=$!
qd_wait_until "the icon in the tray" icon_docked

icon=$(icon_window)
read -r x y < <(xwininfo -id "$icon" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
    /Width:/ {w=$2} /Height:/ {h=$2} END {print x + int(w/2), y + int(h/2)}')
xdotool mousemove "$x" "$y" click 1
qd_wait_until "the tray menu" menu_open
import -window root "$artifacts/tray-menu.png"

# Up from the top wraps to the last item, "quit".
xdotool key Up Return
qd_wait_until "quenda to quit from its menu" gone "$qpid"
status=0
wait "$qpid" || status=$?
qpid=
if ((status != 0)); then
    echo "FAIL quitting from the menu exited with $status" >&2
    exit 1
fi
echo "tray_menu: all checks passed"

#!/usr/bin/env bash
# Takes the pictures of the dashboard's guides from Quenda itself, on a private virtual
# desktop, into core/resources/Guides (where the build and the install take them from).
# A guide whose feature this build lacks keeps the viewer's placeholder.
#   make-guide-images.sh QUENDA_BINARY
set -euo pipefail

quenda=$(realpath "${1:?usage: make-guide-images.sh QUENDA_BINARY}")
scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
out=$scripts/../core/resources/Guides
# shellcheck source=scripts/lib/desktop.sh
source "$scripts/lib/desktop.sh"

tmp=$(mktemp -d "${TMPDIR:-/tmp}/quenda-guides.XXXXXX")
# A home of its own: the pictures show no one's history or settings.
export HOME=$tmp XDG_CONFIG_HOME=$tmp/config XDG_DATA_HOME=$tmp/data
unset DBUS_SESSION_BUS_ADDRESS
qpid=''
stop() {
    if [[ -n $qpid ]] && qd_alive "$qpid"; then kill "$qpid" || true; fi
    "$scripts/virtual-desktop.sh" stop || true
    rm -rf "$tmp"
}
eval "$("$scripts/virtual-desktop.sh" start --bus --monitors 1440x900+0+0)"
trap stop EXIT
mkdir -p "$out"

# keep WINDOW NAME: the window's own pixels, at most 960 wide, as Guides/NAME.png.
keep() {
    import -window "$1" "$tmp/shot.png"
    convert "$tmp/shot.png" -resize '960x>' -strip "$out/$2.png"
    echo "kept $2.png"
}
registered() { [[ -f $tmp/quenda.err ]] && grep -q '^\[Quenda\] HotKey ' "$tmp/quenda.err"; }
window_named() { qd_find_window "$1" >/dev/null; }
copy_text() { printf '%s' "$1" | xclip -selection clipboard -i; }
history_has() { "$quenda" history 2>/dev/null | grep -qF "$1"; }

qd_open_xterm "notas.txt — Editor" 70x18+60+60
"$quenda" 2>"$tmp/quenda.err" &
qpid=$!
qd_wait_until "quenda to register its shortcuts" registered

# The permission: the dashboard's first tab, with its light on.
"$quenda" action tools.dashboard
qd_wait_until "the dashboard" window_named "Quenda"
dashboard=$(qd_find_window Quenda)
qd_wait_until "the dashboard framed" qd_window_framed "$dashboard"
keep "$dashboard" guide-01-accessibility
wmctrl -i -c "$dashboard"
dashboard_gone() { ! window_named "Quenda"; }
qd_wait_until "the dashboard to close" dashboard_gone

# The clipboard history and the shelf, with a few copies.
for text in "Reunión con el equipo a las 10:30" "https://example.org/informe-trimestral" \
    "SELECT nombre, total FROM pedidos WHERE estado = 'pendiente';" "Gracias por tu ayuda 🙌"; do
    copy_text "$text"
    qd_wait_until "the history to record a copy" history_has "$text"
done
"$quenda" action tools.clipboard
qd_wait_until "the clipboard panel" window_named "Portapapeles"
keep "$(qd_find_window Portapapeles)" guide-05-clipboard
"$quenda" action tools.clipboard

"$quenda" action tools.shelfAdd
qd_wait_until "the shelf" window_named "Estante"
copy_text "Borrador: propuesta para el cliente"
qd_wait_until "the history to record a copy" history_has "Borrador"
"$quenda" action tools.shelfAdd
shelf_has_two() { [[ $(python3 -c 'import json,sys; print(len(json.load(open(sys.argv[1]))))' \
    "$XDG_DATA_HOME/Quenda/estante.json" 2>/dev/null) == 2 ]]; }
qd_wait_until "two items on the shelf" shelf_has_two
keep "$(qd_find_window Estante)" guide-04-shelf

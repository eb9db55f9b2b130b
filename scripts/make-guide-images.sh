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
eval "$("$scripts/virtual-desktop.sh" start --bus --monitors 1600x1000+0+0)"
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

# open_editor TITLE GEOMETRY BACKGROUND TEXT: an xterm that shows TEXT and then runs cat, so
# its title stays; waits until the window manager has framed it and sets editor to its id.
editor_framed() { editor=$(qd_find_window "$1") && qd_window_framed "$editor"; }
open_editor() {
    # shellcheck disable=SC2016 # expanded by the shell inside the xterm
    xterm -T "$1" -n "$1" -geometry "$2" -bg "$3" -fg '#2b2b2b' -fa 'DejaVu Sans Mono' -fs 10 \
        -e sh -c 'printf "%s" "$1"; exec cat' sh "$4" </dev/null >/dev/null 2>&1 &
    qd_wait_until "the window \"$1\"" editor_framed "$1"
}
# A desktop colour, so the pictures' edges show no black void.
xsetroot -solid '#3b4656'
open_editor "notas.txt - Editor" 78x26+330+70 '#fdfdfb' ''
notes=$editor
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

# The corner button on the focused window's title bar, its palette open: a second window
# behind, a few lines in the focused one, and the button clicked as a person would.
open_editor "informe.csv - Editor" 60x18+40+230 '#eef3fb' $'región;ventas\nNorte;1240\nSur;980\nEste;1105\n'
report=$editor
active_is() { [[ $(qd_root_prop _NET_ACTIVE_WINDOW) == *"$(printf '0x%x' "$1")"* ]]; }
xdotool windowactivate --sync "$notes" >/dev/null 2>&1 || true
qd_wait_until "the notes to be active" active_is "$notes"
# The capsule and the palette are override-redirect children of the root, named.
root_child() { xwininfo -root -children 2>/dev/null | grep -F "\"$1\":" | awk '{ print $1; exit }'; }
viewable() {
    local id
    id=$(root_child "$1")
    [[ -n $id ]] && xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable'
}
# geometry ID: "x y w h" of that window, from xwininfo.
geometry() {
    xwininfo -id "$1" 2>/dev/null | awk '
        /Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
        /^ *Width:/ { w = $NF } /^ *Height:/ { h = $NF }
        END { print x, y, w, h }'
}
# frame ID: "x y w h" of the window with the window manager's frame (_NET_FRAME_EXTENTS).
frame() {
    local x y w h l r t b
    read -r x y w h <<<"$(geometry "$1")"
    read -r l r t b <<<"$(xprop -id "$1" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')"
    echo "$((x - l)) $((y - t)) $((w + l + r)) $((h + t + b))"
}
qd_wait_until "the corner button" viewable "Quenda corner button"
read -r cx cy cw ch <<<"$(geometry "$(root_child "Quenda corner button")")"
xdotool mousemove "$((cx + cw / 2))" "$((cy + ch / 2))" click 1
qd_wait_until "the palette" viewable "Quenda palette"
read -r _ py _ ph <<<"$(geometry "$(root_child "Quenda palette")")"
# Away from the palette, so no button shows hovered.
xdotool mousemove 1560 960
import -window root "$tmp/shot.png"
# Both windows, with the button above the focused one and the palette over it.
read -r fx fy fw fh <<<"$(frame "$notes")"
read -r rx ry rw rh <<<"$(frame "$report")"
min() { echo $(($1 < $2 ? $1 : $2)); }
max() { echo $(($1 > $2 ? $1 : $2)); }
left=$(min "$(min "$fx" "$cx")" "$rx") top=$(min "$fy" "$cy")
right=$(max "$((fx + fw))" "$((rx + rw))")
bottom=$(max "$(max "$((fy + fh))" "$((py + ph))")" "$((ry + rh))")
left=$(max 0 "$((left - 30))") top=$(max 0 "$((top - 24))")
right=$((right + 30)) bottom=$((bottom + 30))
convert "$tmp/shot.png" -crop "$((right - left))x$((bottom - top))+$left+$top" +repage \
    -resize '960x>' -strip "$out/guide-02-corner.png"
echo "kept guide-02-corner.png"
# A click on the desktop closes the palette.
xdotool mousemove 1560 960 click 1
palette_closed() { ! viewable "Quenda palette"; }
qd_wait_until "the palette to close" palette_closed

# The overview organiser with the windows' pictures: a third window, in a colour of its
# own, so every card can be told apart and seen to carry its picture.
open_editor "Terminal" 70x16+900+480 '#263238' $'$ make informe\nGenerando informe.pdf ... listo\n$ '
organiser() { xdotool search --onlyvisible --name '^Organizador de grupos$' 2>/dev/null | head -n1; }
organiser_open() { [[ -n $(organiser) ]]; }
# card COLOUR X0 X1: "x y" of the middle of that colour's pixels between the columns X0 and
# X1 of the screen (the organiser covers it), once there are at least 400 of them.
card() {
    local box w h x y
    import -window root "$tmp/organiser.png" 2>/dev/null || return 1
    box=$(convert "$tmp/organiser.png" -crop "$(($3 - $2))x1000+$2+0" +repage -fill black \
        +opaque "$1" -fill white -opaque "$1" -format '%[fx:round(mean*w*h)] %@' info:) || return 1
    [[ ${box%% *} -ge 400 ]] || return 1
    IFS='x+' read -r w h x y <<<"${box#* }"
    echo "$(($2 + x + w / 2)) $((y + h / 2))"
}
shows() { card "$@" >/dev/null; }
"$quenda" action groups.overview
qd_wait_until "the organiser" organiser_open
for colour in '#fdfdfb' '#eef3fb' '#263238'; do
    qd_wait_until "the card of the window in $colour" shows "$colour" 0 800
done
# The notes and the report into a group of their own: the first to the new group's place,
# the second onto the group it made; the terminal stays in the pool.
for colour in '#fdfdfb' '#eef3fb'; do
    # shellcheck disable=SC2046 # two numbers
    qd_drag $(card "$colour" 0 800) 1000 280
    qd_wait_until "the card of the window in $colour in a group" shows "$colour" 810 1600
done
xdotool mousemove 1560 980
keep "$(organiser)" guide-03-overview
"$quenda" action groups.overview
organiser_closed() { ! organiser_open; }
qd_wait_until "the organiser to close" organiser_closed

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

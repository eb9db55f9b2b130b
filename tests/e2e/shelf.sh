#!/usr/bin/env bash
# End-to-end: the file shelf of the running application. Other programs copy (xclip) and
# `quenda action tools.shelfAdd` puts the copy on the shelf, read back from estante.json with
# python's json module; `tools.shelf` shows and hides the panel, and the window that had the
# focus keeps it (xprop). Files travel by drag and drop, driven with xdotool's pointer:
# from the shelf into a pcmanfm folder window (the file on disk in that folder is the
# oracle), and from pcmanfm onto the shelf (estante.json).
#   shelf.sh QUENDA_BINARY SCRIPTS_DIR ARTIFACTS_DIR
set -euo pipefail

usage="usage: shelf.sh QUENDA_BINARY SCRIPTS_DIR ARTIFACTS_DIR"
quenda=${1:?$usage}
scripts=${2:?$usage}
artifacts=${3:?$usage}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=scripts/lib/desktop.sh
source "$scripts/lib/desktop.sh"
# shellcheck source=tests/e2e/lib/session.sh
source "$here/lib/session.sh"
mkdir -p "$artifacts"

eval "$("$scripts/virtual-desktop.sh" start --monitors 1280x800+0+0 --bus)"
shelf_file=$XDG_DATA_HOME/Quenda/estante.json

# copy TARGET < DATA: another program owns the clipboard with DATA under TARGET; returns
# once the clipboard offers it (xclip serves from the background).
offers() { xclip -selection clipboard -o -t TARGETS 2>/dev/null | grep -qx "$1"; }
copy() {
    xclip -selection clipboard -t "$1" -i
    qd_wait_until "xclip to offer $1" offers "$1"
}
# shelf_field INDEX FIELD: FIELD of the shelf's item INDEX (0 is the newest); "" when absent.
shelf_field() {
    [[ -f $shelf_file ]] || return 0
    python3 - "$shelf_file" "$1" "$2" <<'PY'
import json, sys
items = json.load(open(sys.argv[1]))
i = int(sys.argv[2])
if i < len(items):
    print(items[i].get(sys.argv[3], ""))
PY
}
shelf_count() {
    [[ -f $shelf_file ]] || { echo 0; return; }
    python3 -c 'import json,sys; print(len(json.load(open(sys.argv[1]))))' "$shelf_file"
}
count_is() { [[ $(shelf_count) == "$1" ]]; }
newest_text_is() { [[ $(shelf_field 0 kind) == text && $(shelf_field 0 text) == "$1" ]]; }
newest_path_is() { [[ $(shelf_field 0 kind) == file && $(shelf_field 0 path) == "$1" ]]; }

# The user works in an xterm; the shelf must never take the focus from it.
qd_open_xterm "work" 80x20+10+10
work=$QD_XTERM_ID
activate "$work"
start_quenda 1

# A text copied by another program, added with the command.
printf 'para el estante e2e' | copy UTF8_STRING
run_quenda action tools.shelfAdd
expect_eq "tools.shelfAdd status" "$status" 0
qd_wait_until "the text on the shelf" newest_text_is 'para el estante e2e' ||
    fail "text not added: $(cat "$shelf_file" 2>/dev/null)"
panel_listed() { qd_find_window "Estante" >/dev/null; }
qd_wait_until "the shelf panel" panel_listed || fail "the shelf panel did not appear"
panel=$(qd_find_window "Estante" || echo 0)
qd_wait_until "the panel to be framed" qd_window_framed "$panel" || fail "panel not framed"
active_is "$work" || fail "the panel took the focus: $(qd_root_prop _NET_ACTIVE_WINDOW)"
# A utility window that says it takes no input.
xprop -id "$panel" _NET_WM_WINDOW_TYPE | grep -q _NET_WM_WINDOW_TYPE_UTILITY ||
    fail "panel type: $(xprop -id "$panel" _NET_WM_WINDOW_TYPE)"
xprop -id "$panel" WM_HINTS | grep -q 'accepts input or input focus: False' ||
    fail "panel input hint: $(xprop -id "$panel" WM_HINTS)"

# On every virtual desktop, as the shelf follows the user.
xprop -id "$panel" _NET_WM_DESKTOP | grep -q ' = 4294967295$' ||
    fail "panel desktop: $(xprop -id "$panel" _NET_WM_DESKTOP)"

# Files copied in a file manager, names with spaces, accents and a line break.
mkdir -p "$tmp/docs"
printf 'uno\n' >"$tmp/docs/informe final ñ.txt"
nl_name=$'dos\nlíneas.txt'
printf 'dos\n' >"$tmp/docs/$nl_name"
printf 'file://%s/docs/informe%%20final%%20%%C3%%B1.txt\r\nfile://%s/docs/dos%%0Al%%C3%%ADneas.txt\r\n' \
    "$tmp" "$tmp" | copy text/uri-list
run_quenda action tools.shelfAdd
qd_wait_until "the files on the shelf" newest_path_is "$tmp/docs/$nl_name" ||
    fail "files not added: $(cat "$shelf_file" 2>/dev/null)"
expect_eq "second newest" "$(shelf_field 1 path)" "$tmp/docs/informe final ñ.txt"

# Only an image on the clipboard (a screenshot): saved into the folder "estante".
convert -size 40x30 xc:blue "$tmp/blue.png"
copy image/png <"$tmp/blue.png"
newest_is_saved_image() { [[ $(shelf_field 0 path) == "$XDG_DATA_HOME/Quenda/estante/imagen-"*.png ]]; }
run_quenda action tools.shelfAdd
qd_wait_until "the image on the shelf" newest_is_saved_image ||
    fail "image not added: $(cat "$shelf_file" 2>/dev/null)"
image=$(shelf_field 0 path)
if [[ -f $image ]]; then
    expect_eq "saved image" "$(identify -format '%m %wx%h' "$image")" "PNG 40x30"
else
    fail "saved image missing: $image"
fi
expect_eq "items" "$(shelf_count)" 4
active_is "$work" || fail "adding took the focus"

# tools.shelf hides the panel, and shows it again without taking the focus.
panel_viewable() { xwininfo -id "$panel" 2>/dev/null | grep -q 'Map State: IsViewable'; }
panel_hidden() { ! panel_viewable; }
run_quenda action tools.shelf
qd_wait_until "the panel to hide" panel_hidden || fail "tools.shelf did not hide the panel"
run_quenda action tools.shelf
qd_wait_until "the panel to show" panel_viewable || fail "tools.shelf did not show the panel"
active_is "$work" || fail "showing the panel took the focus"

# The panel at the right of the screen, 290 wide and 420 high (the client area), centred.
read -r px py pw ph < <(xwininfo -id "$panel" | awk '
    /Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    /Width:/ {w=$NF} /Height:/ {h=$NF} END {print x, y, w, h}')
expect_eq "panel size" "$pw x $ph" "290 x 420"
expect_eq "panel place" "$px $py" "970 190"
# Let the rows settle, then keep a picture of the panel.
qd_wait_until "a screenshot" import -window root "$artifacts/shelf-panel.png" ||
    fail "screenshot"

# --- drag and drop with pcmanfm -----------------------------------------------------------
# Two pcmanfm windows: a folder to drag a file from, and an empty one to drop into.
mkdir -p "$tmp/src" "$tmp/dest"
printf 'desde pcmanfm\n' >"$tmp/src/desde pcmanfm ñ.txt"
open_folder() {
    pcmanfm --new-win "$1" >>"$tmp/pcmanfm.log" 2>&1 &
    client_pids+=($!)
    folder_listed() { qd_find_window "$(basename "$1")" >/dev/null; }
    qd_wait_until "pcmanfm on $1" folder_listed "$1" || return 1
    folder_id=$(qd_find_window "$(basename "$1")")
    qd_wait_until "pcmanfm on $1 to be framed" qd_window_framed "$folder_id"
}
# client_origin ID: "x y" of the window's client area on the screen.
client_origin() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
        END {print x, y}'
}

open_folder "$tmp/src" && src_win=$folder_id
xdotool windowmove "$src_win" 20 40 windowsize "$src_win" 700 330
open_folder "$tmp/dest" && dest_win=$folder_id
xdotool windowmove "$dest_win" 20 420 windowsize "$dest_win" 700 330
# Moved by its client, the frame's corner lands there: the client sits inside by the
# window manager's frame extents (1,20 on openbox, 5,29 on xfwm4).
frame_origin_at() {
    local extents left top
    extents=$(xprop -id "$1" _NET_FRAME_EXTENTS) || return 1
    read -r left _ top _ <<<"$(tr -d ',' <<<"${extents#*= }")"
    [[ $(client_origin "$1") == "$(($2 + left)) $(($3 + top))" ]]
}
qd_wait_until "pcmanfm windows in place" frame_origin_at "$dest_win" 20 420 ||
    fail "dest window's client at $(client_origin "$dest_win") ($(xprop -id "$dest_win" _NET_FRAME_EXTENTS))"

# A shelf file dragged onto the empty folder's window is copied there. The user is back in
# the xterm: pressing and dragging the shelf's row leaves it there.
activate "$work"
printf 'file://%s/docs/para%%20arrastrar%%20%%C3%%B1.txt\r\n' "$tmp" | copy text/uri-list
printf 'arrastrado\n' >"$tmp/docs/para arrastrar ñ.txt"
run_quenda action tools.shelfAdd
qd_wait_until "the file to drag on the shelf" newest_path_is "$tmp/docs/para arrastrar ñ.txt" ||
    fail "file to drag not added"
read -r px py < <(client_origin "$panel")
read -r dx dy < <(client_origin "$dest_win")
# The newest row is the first under the toolbar; its name is at the left.
qd_drag $((px + 110)) $((py + 55)) $((dx + 450)) $((dy + 220))
copied() { [[ -f "$tmp/dest/para arrastrar ñ.txt" ]]; }
if qd_wait_until "pcmanfm to copy the dragged file" copied; then
    expect_eq "dropped file" "$(cat "$tmp/dest/para arrastrar ñ.txt")" "arrastrado"
    [[ -f "$tmp/docs/para arrastrar ñ.txt" ]] || fail "the shelf's file was moved, not copied"
else
    fail "the dragged file is not in the folder: $(ls -A "$tmp/dest")"
fi
import -window root "$artifacts/shelf-drag-out.png" || fail "screenshot"
active_is "$work" || fail "pressing the shelf took the focus: $(qd_root_prop _NET_ACTIVE_WINDOW)"

# A file dragged from pcmanfm onto the shelf joins it. The folder's one icon is the first of
# its view, right of the side pane.
activate "$src_win" # the xterm overlaps it
read -r sx sy < <(client_origin "$src_win")
before=$(shelf_count)
qd_drag $((sx + 207)) $((sy + 95)) $((px + 145)) $((py + 300))
qd_wait_until "the dropped file on the shelf" newest_path_is "$tmp/src/desde pcmanfm ñ.txt" ||
    fail "the file dragged from pcmanfm is not on the shelf: $(cat "$shelf_file")"
expect_eq "items after the drop" "$(shelf_count)" $((before + 1))
[[ -f "$tmp/src/desde pcmanfm ñ.txt" ]] || fail "the dragged file left its folder"
# Pressing pcmanfm's icon activated pcmanfm; the shelf itself never takes the focus.
panel_active() { active_is "$panel"; }
panel_active && fail "the drop made the shelf the active window"
import -window root "$artifacts/shelf-drag-in.png" || fail "screenshot"

# --- where the user left it, and a restart ---------------------------------------------------
# Moved by the user (here through the window manager), the panel keeps its place in the
# settings and comes back there after a restart, with the shelf as it was.
settings=$XDG_CONFIG_HOME/Quenda/defaults.json
saved_frame() {
    [[ -f $settings ]] || return 0
    python3 -c 'import json,sys; print(json.load(open(sys.argv[1])).get("shelfFrame", ""))' "$settings"
}
xdotool windowmove "$panel" 400 150
moved_away() { [[ $(client_origin "$panel") != "$px $py" ]]; }
qd_wait_until "the panel to move" moved_away || fail "panel still at $(client_origin "$panel")"
read -r mx my < <(client_origin "$panel")
frame_saved() { [[ $(saved_frame) == "$mx,$my,290,420" ]]; }
qd_wait_until "the panel's place in the settings" frame_saved || fail "saved frame: $(saved_frame)"
items_before=$(cat "$shelf_file")
kill "$qpid"
qd_wait_until "quenda to quit" quenda_gone
start_quenda 1
run_quenda action tools.shelf
expect_eq "tools.shelf status after a restart" "$status" 0
qd_wait_until "the panel after a restart" panel_listed || fail "no panel after a restart"
panel=$(qd_find_window "Estante" || echo 0)
qd_wait_until "the panel to be framed again" qd_window_framed "$panel" || fail "panel not framed"
expect_eq "panel place after a restart" "$(client_origin "$panel")" "$mx $my"
expect_eq "shelf after a restart" "$(cat "$shelf_file")" "$items_before"
active_is "$panel" && fail "the panel took the focus after a restart"

e2e_finish shelf

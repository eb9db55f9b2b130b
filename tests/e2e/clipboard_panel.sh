#!/usr/bin/env bash
# End-to-end: the clipboard panel pastes into the window the user was working in. Texts are
# copied with xclip; the panel is opened with its shortcut over a mousepad window (and over
# an xterm, which pastes the primary selection with Shift+Insert); what reaches them is
# judged by the file mousepad saves and by what `cat` in the xterm writes, never by Quenda's
# own state.
#   clipboard_panel.sh QUENDA_BINARY SCRIPTS_DIR ARTIFACTS_DIR
set -euo pipefail

usage="usage: clipboard_panel.sh QUENDA_BINARY SCRIPTS_DIR ARTIFACTS_DIR"
quenda=${1:?$usage}
scripts=${2:?$usage}
artifacts=${3:?$usage}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=scripts/lib/desktop.sh
source "$scripts/lib/desktop.sh"
# shellcheck source=tests/e2e/lib/session.sh
source "$here/lib/session.sh"
mkdir -p "$artifacts"
command -v mousepad >/dev/null || qd_die "mousepad is needed"

eval "$("$scripts/virtual-desktop.sh" start --bus)"
# A fresh editor profile: no first-run questions, no session services of the user's.
export XDG_CACHE_HOME=$tmp/cache GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1
history_file=$XDG_DATA_HOME/Quenda/historial.json

# tools.clipboard has no default combination: Ctrl+Alt+V.
run_quenda config set customHotKeys.v1 '{"tools.clipboard":{"keyCode":9,"carbonModifiers":6144}}'
expect_eq "config set status" "$status" 0
log_has() { grep -qF "$1" "$tmp/quenda.err"; }
start_quenda 1
qd_wait_until "the panel's shortcut" log_has "tools.clipboard → status 0" ||
    qd_die "the panel's shortcut was not taken: $(grep HotKey "$tmp/quenda.err" | tr '\n' ' ')"

copy_text() { printf '%s' "$1" | xclip -selection clipboard -i; }
newest_text() {
    [[ -f $history_file ]] || return 0
    python3 -c 'import json,sys; i=json.load(open(sys.argv[1])); print(i[0].get("text","") if i else "")' "$history_file"
}
newest_is() { [[ $(newest_text) == "$1" ]]; }
first="primera nota del día"
second="segunda: ñandú y acentos"
third="tercera línea final"
for text in "$first" "$second" "$third"; do
    copy_text "$text"
    qd_wait_until "\"$text\" in the history" newest_is "$text" || qd_die "copy not recorded: $text"
done

# The editor, on a file of its own.
doc=$tmp/nota.txt
: >"$doc"
mousepad "$doc" >/dev/null 2>&1 &
client_pids+=($!)
editor_listed() { window_titled '*nota.txt*' >/dev/null; }
qd_wait_until "mousepad's window" editor_listed || qd_die "mousepad did not show its window"
editor=$(window_titled '*nota.txt*')
qd_wait_until "mousepad to be framed" qd_window_framed "$editor"
activate "$editor"

panel_listed() { xdotool search --onlyvisible --name '^Portapapeles$' >/dev/null 2>&1; }
panel_gone() { ! panel_listed; }
panel_active() {
    local id
    id=$(xdotool search --onlyvisible --name '^Portapapeles$' 2>/dev/null | head -1) || return 1
    [[ -n $id ]] && active_is "$id"
}
open_panel() {
    xdotool key --clearmodifiers ctrl+alt+v
    qd_wait_until "the panel to open" panel_listed || qd_die "the panel did not open"
    qd_wait_until "the panel to take the keyboard" panel_active ||
        fail "the panel did not become the active window"
}
editor_changed() { [[ $(qd_window_title "$editor") == \** ]]; }
doc_is() { [[ $(cat "$doc") == "$1" ]]; }
# save_and_expect TEXT WHAT: the editor marks the change, saves, and the file holds TEXT.
save_and_expect() {
    qd_wait_until "the editor to take the paste ($2)" editor_changed ||
        fail "nothing reached the editor ($2): $(qd_window_title "$editor")"
    xdotool key ctrl+s
    qd_wait_until "the saved file ($2)" doc_is "$1" ||
        fail "$2: the editor saved [$(cat "$doc")], expected [$1]"
}

# --- One text, found by typing part of it ----------------------------------------------
open_panel
xdotool type --delay 30 "ñandú"
import -window root "$artifacts/clipboard_panel_search.png" || fail "no screenshot"
xdotool key Return
qd_wait_until "the panel to hide" panel_gone || fail "the panel stayed after the paste"
save_and_expect "$second" "one text"

# --- Two texts joined, in list order -----------------------------------------------------
# Select all of the document so the join replaces it.
activate "$editor"
xdotool key ctrl+a
open_panel
import -window root "$artifacts/clipboard_panel_open.png" || fail "no screenshot"
# Down enters the list on its first row; Shift+Down adds the second.
xdotool key Down shift+Down
xdotool key Return
qd_wait_until "the panel to hide" panel_gone || fail "the panel stayed after the join"
# The history's newest first: pasting "segunda" moved it to the top, then "tercera".
save_and_expect "$second"$'\n\n---\n\n'"$third" "two texts joined"

# --- Esc hides the panel without pasting -------------------------------------------------
activate "$editor"
open_panel
xdotool key Escape
qd_wait_until "Esc to hide the panel" panel_gone || fail "Esc did not hide the panel"
expect_eq "the file after Esc" "$(cat "$doc")" "$second"$'\n\n---\n\n'"$third"

# --- The command toggles the panel, from the command line as from the tray menu -----------
run_quenda action tools.clipboard
expect_eq "action status" "$status" 0
qd_wait_until "the command to open the panel" panel_listed || fail "tools.clipboard did not open the panel"
run_quenda action tools.clipboard
qd_wait_until "the command to hide the panel" panel_gone || fail "tools.clipboard did not hide the panel"

# --- Rows picked with the mouse: a click, then Ctrl+click -----------------------------------
# The history now: the joined text (this program's own paste is a copy too), "segunda",
# "tercera", "primera". Rows are 50 pixels high under the search bar.
activate "$editor"
xdotool key ctrl+a
open_panel
panel=$(xdotool search --onlyvisible --name '^Portapapeles$' | head -1)
info=$(xwininfo -id "$panel")
px=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
py=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
row_y() { echo $((py + 76 + 50 * $1)); }
xdotool mousemove $((px + 200)) "$(row_y 1)"
# The hover buttons of the row under the pointer.
xdotool mousemove $((px + 210)) "$(row_y 1)"
import -window root "$artifacts/clipboard_panel_hover.png" || fail "no screenshot"
xdotool click 1
xdotool mousemove $((px + 200)) "$(row_y 3)" keydown ctrl click 1 keyup ctrl
import -window root "$artifacts/clipboard_panel_two_selected.png" || fail "no screenshot"
xdotool key Return
qd_wait_until "the panel to hide" panel_gone || fail "the panel stayed after the Ctrl+click join"
save_and_expect "$second"$'\n\n---\n\n'"$first" "two rows picked with Ctrl+click"

# --- Clicking elsewhere hides the panel without pasting --------------------------------------
activate "$editor"
open_panel
before=$(cat "$doc")
# A click in the editor's text, clear of its frame: a press on xfwm4's frame corner starts a
# resize that keeps the keyboard from the shortcuts.
read -r ex ey < <(xwininfo -id "$editor" |
    awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF} END {print x, y}')
xdotool mousemove $((ex + 30)) $((ey + 120)) click 1
activate "$editor"
qd_wait_until "the panel to hide when it loses the keyboard" panel_gone ||
    fail "the panel stayed after another window became active"
expect_eq "the file after clicking elsewhere" "$(cat "$doc")" "$before"

# --- An xterm pastes the other selection with Shift+Insert -----------------------------------
for_xterm="para la terminal 42 · ñ"
copy_text "$for_xterm"
qd_wait_until "the xterm's text in the history" newest_is "$for_xterm" || fail "copy not recorded"
typed=$tmp/xterm.txt
: >"$typed"
# shellcheck disable=SC2016 # $0 is the inner shell's, on purpose
xterm -T "Quenda pega" -geometry 60x10+40+40 -e sh -c 'cat >"$0"' "$typed" >/dev/null 2>&1 &
client_pids+=($!)
xterm_listed() { qd_find_window "Quenda pega" >/dev/null; }
qd_wait_until "the xterm" xterm_listed || qd_die "the xterm did not show its window"
term=$(qd_find_window "Quenda pega")
qd_wait_until "the xterm to be framed" qd_window_framed "$term"
activate "$term"
open_panel
xdotool type --delay 30 "terminal 42"
xdotool key Return
qd_wait_until "the panel to hide" panel_gone || fail "the panel stayed after pasting into the xterm"
qd_wait_until "the xterm to be active again" active_is "$term" || fail "the xterm was not activated"
# cat gets the line once it ends.
xdotool key Return
typed_is() { [[ $(cat "$typed") == "$1" ]]; }
qd_wait_until "what the xterm's cat wrote" typed_is "$for_xterm" ||
    fail "the xterm received [$(cat "$typed")], expected [$for_xterm]"

# --- An image and a file list: their own thumbnail and icon (a screenshot to look at) -----
convert -size 320x200 gradient:royalblue-orange "$tmp/foto.png"
xclip -selection clipboard -t image/png -i <"$tmp/foto.png"
newest_kind_is() {
    python3 -c 'import json,sys; sys.exit(json.load(open(sys.argv[1]))[0]["kind"] != sys.argv[2])' \
        "$history_file" "$1"
}
qd_wait_until "the image in the history" newest_kind_is image || fail "image not recorded"
printf 'file://%s/nota.txt\r\n' "$tmp" | xclip -selection clipboard -t text/uri-list -i
qd_wait_until "the file list in the history" newest_kind_is files || fail "file list not recorded"
activate "$editor"
open_panel
import -window root "$artifacts/clipboard_panel_kinds.png" || fail "no screenshot"
xdotool key Escape
qd_wait_until "Esc to hide the panel" panel_gone || fail "Esc did not hide the panel"

# --- A text pasted as a file into a file manager's folder ----------------------------------
# pcmanfm, on its own session services kept to the local disk, in a process group of its
# own so that everything it starts ends with it. The oracle is the folder on disk.
if command -v pcmanfm >/dev/null; then
    folder=$tmp/carpeta
    mkdir -p "$folder"
    as_file="nota para adjuntar: informe semanal"
    copy_text "$as_file"
    qd_wait_until "the text for the file in the history" newest_is "$as_file" || fail "copy not recorded"
    GIO_USE_VFS=local GIO_USE_VOLUME_MONITOR=unix setsid pcmanfm "$folder" >"$tmp/pcmanfm.log" 2>&1 &
    fm_group=$!
    client_pids+=("$fm_group")
    trap 'kill -- -"$fm_group" 2>/dev/null || true; e2e_stop_all; rm -rf "$tmp"' EXIT
    fm_listed() { xdotool search --onlyvisible --class pcmanfm >/dev/null 2>&1; }
    QD_DEADLINE=30 qd_wait_until "pcmanfm's window" fm_listed || qd_die "pcmanfm showed no window"
    fm=$(xdotool search --onlyvisible --class pcmanfm | head -1)
    qd_wait_until "pcmanfm to be framed" qd_window_framed "$fm"
    activate "$fm"
    open_panel
    xdotool type --delay 30 "para adjuntar"
    # "Como archivos" sits left of the default button, at the footer's right end.
    panel=$(xdotool search --onlyvisible --name '^Portapapeles$' | head -1)
    info=$(xwininfo -id "$panel")
    px=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
    py=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
    pw=$(awk '/Width:/ {print $2}' <<<"$info")
    ph=$(awk '/Height:/ {print $2}' <<<"$info")
    xdotool mousemove $((px + pw - 148)) $((py + ph - 24)) click 1
    qd_wait_until "the panel to hide" panel_gone || fail "the panel stayed after pasting as a file"
    pasted_file() {
        local f
        for f in "$folder"/*.md; do
            [[ -f $f && $(cat "$f") == "$as_file" ]] && return 0
        done
        return 1
    }
    QD_DEADLINE=30 qd_wait_until "the text as a .md file in the folder" pasted_file ||
        fail "the folder holds [$(find "$folder" -mindepth 1 -printf '%f ')], no .md file with the text"
    kill -- -"$fm_group" 2>/dev/null || true
else
    fail "pcmanfm is not installed"
fi

e2e_finish clipboard_panel

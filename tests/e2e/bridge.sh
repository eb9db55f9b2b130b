#!/usr/bin/env bash
# End-to-end: the bridge sends what is selected in one application to the window marked as
# the target, by its default shortcuts typed with xdotool. What arrived is judged by what
# the receiving programs wrote to disk: an xterm whose `cat` writes to a file, and mousepad
# saving its document; the active window by xprop; keys left down by xinput. Quenda's own
# HUD lines (QUENDA_LOG_HUD) are a secondary signal.
#   bridge.sh QUENDA_BINARY SCRIPTS_DIR ARTIFACTS_DIR
set -euo pipefail

usage="usage: bridge.sh QUENDA_BINARY SCRIPTS_DIR ARTIFACTS_DIR"
quenda=${1:?$usage}
scripts=${2:?$usage}
artifacts=${3:?$usage}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=scripts/lib/desktop.sh
source "$scripts/lib/desktop.sh"
# shellcheck source=tests/e2e/lib/session.sh
source "$here/lib/session.sh"
mkdir -p "$artifacts"
for tool in mousepad xinput; do
    command -v "$tool" >/dev/null || qd_die "$tool is needed"
done

eval "$("$scripts/virtual-desktop.sh" start --bus)"
export XDG_CACHE_HOME=$tmp/cache GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1 QUENDA_LOG_HUD=1

# The default shortcuts of the six bridge commands are taken.
start_quenda 7
for id in bridge.mark bridge.send bridge.sendEnter bridge.sendClipboard bridge.group bridge.broadcast; do
    grep -qF "· $id → status 0 noErr" "$tmp/quenda.err" || fail "$id's shortcut was not taken"
done

# --- What the test reads ----------------------------------------------------------------
# file_is FILE TEXT: FILE holds exactly TEXT (trailing newlines included).
file_is() { [[ "$(cat "$1"; printf x)" == "$2x" ]]; }
hud_from=0
hud_mark() { hud_from=$(wc -l <"$tmp/quenda.err"); }
# hud_says TEXT: a HUD message since the last hud_mark starts with TEXT.
hud_says() { tail -n +$((hud_from + 1)) "$tmp/quenda.err" | grep -qF "[Quenda] HUD $1"; }
# No key is down on the server (the XTest keyboard included): nothing was left pressed.
no_key_down() {
    local device
    for device in "Virtual core XTEST keyboard" "Xvfb keyboard"; do
        xinput query-state "$device" | grep -q 'key\[[0-9]*\]=down' && return 1
    done
    return 0
}
active_window() { qd_root_prop _NET_ACTIVE_WINDOW | grep -o '0x[0-9a-f]*' | head -1; }
is_active() { [[ $(active_window) == "$(printf '0x%x' "$1")" ]]; }

# cat_xterm TITLE GEOMETRY FILE: an xterm whose cat writes what it receives to FILE; sets
# term_id and term_pid.
cat_xterm() {
    : >"$3"
    # shellcheck disable=SC2016 # $0 is the inner shell's, on purpose
    xterm -T "$1" -n "$1" -geometry "$2" -e sh -c 'exec cat >"$0"' "$3" >/dev/null 2>&1 &
    term_pid=$!
    QD_XTERM_PID=$term_pid
    client_pids+=("$term_pid")
    qd_wait_until "xterm \"$1\"" qd_xterm_listed "$1" || qd_die "the xterm $1 did not show"
    term_id=$(qd_find_window "$1")
    qd_wait_until "xterm \"$1\" to be framed" qd_window_framed "$term_id"
}
# press KEYS WHAT: types the shortcut as a user would (no other modifier held).
press() { xdotool key --clearmodifiers "$1"; }
# mark WINDOW: that window becomes the target.
mark() {
    activate "$1"
    hud_mark
    press alt+shift+1
    qd_wait_until "the target to be marked" hud_says "🎯 Destino: " || fail "no target message"
}

# --- The applications ---------------------------------------------------------------------
cat_xterm "Quenda destino" 70x10+20+20 "$tmp/destino.txt"
target=$term_id

doc=$tmp/nota.txt
printf '%s' "hola desde el editor" >"$doc"
mousepad "$doc" >/dev/null 2>&1 &
client_pids+=($!)
editor_listed() { window_titled '*nota.txt*' >/dev/null; }
qd_wait_until "mousepad's window" editor_listed || qd_die "mousepad did not show its window"
editor=$(window_titled '*nota.txt*')
qd_wait_until "mousepad to be framed" qd_window_framed "$editor"

# --- The editor's selection to the xterm, with Return ----------------------------------------
mark "$target"
activate "$editor"
xdotool key ctrl+a
hud_mark
press ctrl+alt+w
qd_wait_until "the text and its Return in the xterm" file_is "$tmp/destino.txt" $'hola desde el editor\n' ||
    fail "the xterm received [$(cat "$tmp/destino.txt")]"
qd_wait_until "the sent message" hud_says "➜ Enviado a " || fail "no sent message"
is_active "$target" || fail "the target should stay active without relayReturn"

# --- The same, framed in the template "codigo" ------------------------------------------------
run_quenda config set templateID codigo
expect_eq "config set templateID" "$status" 0
activate "$editor"
xdotool key ctrl+a
press ctrl+alt+w
fenced=$'hola desde el editor\n```\nhola desde el editor\n```\n'
qd_wait_until "the fenced text in the xterm" file_is "$tmp/destino.txt" "$fenced" ||
    fail "with the template the xterm received [$(cat "$tmp/destino.txt")]"
run_quenda config set templateID none

# --- A terminal's selection to the editor -----------------------------------------------------
# xterm copies by selecting: a triple click selects its first line, which xclip then reads
# from the primary selection.
# shellcheck disable=SC2016
xterm -T "Quenda origen" -n "Quenda origen" -geometry 60x8+20+320 \
    -e sh -c 'printf "desde la terminal\n"; exec cat >/dev/null' >/dev/null 2>&1 &
QD_XTERM_PID=$!
client_pids+=($!)
qd_wait_until "the source xterm" qd_xterm_listed "Quenda origen" || qd_die "no source xterm"
source_term=$(qd_find_window "Quenda origen")
qd_wait_until "the source xterm to be framed" qd_window_framed "$source_term"
# A triple click can be read as fewer clicks on a loaded machine: it is tried again until
# the primary selection holds the line.
triple_click_first_line() {
    local info x y
    info=$(xwininfo -id "$source_term")
    x=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
    y=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
    xdotool mousemove $((x + 30)) $((y + 8)) click --repeat 3 --delay 60 1
    [[ $(xclip -o -selection primary 2>/dev/null) == "desde la terminal" ]]
}
select_first_line() {
    activate "$source_term"
    qd_wait_until "the xterm's selection" triple_click_first_line ||
        fail "the triple click selected [$(xclip -o -selection primary 2>/dev/null)]"
}

# Taking the primary selection clears the editor's own selection: its document is emptied
# first, and the line arrives with its line break.
mark "$editor"
xdotool key ctrl+a Delete
select_first_line
hud_mark
press alt+shift+2
qd_wait_until "the editor to be active" is_active "$editor" || fail "the editor was not activated"
qd_wait_until "the sent message" hud_says "➜ Enviado a " || fail "no sent message"
# saved_is TEXT: the editor saves (again) and its file holds TEXT.
saved_is() {
    xdotool key ctrl+s
    file_is "$doc" "$1"
}
qd_wait_until "the editor's saved file" saved_is $'desde la terminal\n' ||
    fail "the editor saved [$(cat "$doc")]"

# --- relayReturn: the source window is active again afterwards --------------------------------
run_quenda config set relayReturn true
activate "$editor"
xdotool key ctrl+a
select_first_line
hud_mark
press alt+shift+2
qd_wait_until "the sent message" hud_says "➜ Enviado a " || fail "no sent message (relayReturn)"
qd_wait_until "the source xterm to be active again" is_active "$source_term" ||
    fail "relayReturn: the active window is $(active_window), not the source xterm"
run_quenda config set relayReturn false

# --- Broadcast with Return to three xterms, in group order -----------------------------------
members=()
for i in 1 2 3; do
    cat_xterm "Quenda grupo $i" 40x6+$((500 + 40 * i))+$((300 + 120 * i)) "$tmp/grupo$i.txt"
    members+=("$term_id")
    member_pids[i]=$term_pid
    activate "$term_id"
    hud_mark
    press ctrl+alt+g
    qd_wait_until "member $i to join" hud_says "➕ " || fail "no group message for member $i"
done
activate "$editor"
xdotool key ctrl+a
xdotool type --delay 20 "para todos"
xdotool key ctrl+a
hud_mark
# The order the window manager activated windows in, as xprop sees it.
xprop -root -spy _NET_ACTIVE_WINDOW >"$tmp/active.log" 2>/dev/null &
spy=$!
client_pids+=("$spy")
press ctrl+alt+b
all_received() {
    local i
    for i in 1 2 3; do file_is "$tmp/grupo$i.txt" $'para todos\n' || return 1; done
}
qd_wait_until "the three xterms to receive the text" all_received ||
    fail "broadcast: [$(cat "$tmp/grupo1.txt")] [$(cat "$tmp/grupo2.txt")] [$(cat "$tmp/grupo3.txt")]"
qd_wait_until "the broadcast message" hud_says "📣 Enviado a 3 ventanas" || fail "no broadcast count of 3"
import -window root "$artifacts/bridge-broadcast.png" || fail "no screenshot"
kill "$spy" 2>/dev/null || true
order=''
while read -r id; do
    for i in 1 2 3; do
        if ((id == members[i - 1])) && [[ $order != *"$i" ]]; then order+=$i; fi
    done
done < <(grep -o '0x[0-9a-f]*' "$tmp/active.log")
expect_eq "the order the group's windows were activated in" "$order" "123"
qd_wait_until "every key to be up" no_key_down || fail "a key was left down after the broadcast"

# --- A modifier held for two seconds after the shortcut --------------------------------------
# The copy waits for the user to let go, 1.2 s at most, then carries only its own keys.
mark "$target"
activate "$editor"
xdotool key ctrl+a
hud_mark
xdotool keydown ctrl keydown alt key w sleep 2 keyup alt keyup ctrl
qd_wait_until "the text sent while the modifiers were held" file_is "$tmp/destino.txt" "$fenced"$'para todos\n' ||
    fail "with held modifiers the xterm received [$(cat "$tmp/destino.txt")]"
qd_wait_until "every key to be up" no_key_down || fail "a key was left down after the held shortcut"

# --- A target whose process was killed ----------------------------------------------------------
mark "${members[0]}"
kill -KILL "${member_pids[1]}"
gone() { ! xwininfo -id "${members[0]}" >/dev/null 2>&1; }
qd_wait_until "the killed xterm's window to go" gone || fail "the killed xterm stayed"
before=$(cat "$tmp/destino.txt" "$tmp/grupo2.txt" "$tmp/grupo3.txt" "$doc")
activate "$editor"
xdotool key ctrl+a
hud_mark
press ctrl+alt+w
qd_wait_until "the gone-target message" hud_says "La ventana destino ya no está abierta" ||
    fail "no message for a target whose process is gone"
expect_eq "what the other windows hold" "$(cat "$tmp/destino.txt" "$tmp/grupo2.txt" "$tmp/grupo3.txt" "$doc")" "$before"
qd_wait_until "every key to be up" no_key_down || fail "a key was left down"

qd_alive "$qpid" || fail "quenda died"
e2e_finish bridge

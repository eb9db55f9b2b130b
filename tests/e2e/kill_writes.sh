#!/usr/bin/env bash
# Crash safety of every file Quenda writes here: it is killed with SIGKILL at a random moment
# while it writes, ROUNDS times per file (20 by default), and after each kill the file must be
# its old or its new content, never broken, and no temporary copy may outlive the next start.
#   - the settings file, written by `quenda config set` (killed mid-command);
#   - a workspace slot, saved by the running instance (`ws.save.1`) into the settings file;
#   - the clipboard history, written by the instance as xclip copies;
#   - the shelf, written by the instance on `tools.shelfAdd`;
#   - the autostart entry, written when the dashboard's launch-at-login switch is clicked
#     (xdotool), over no entry or over one that says it is disabled.
# The files are judged by python's json module, desktop-file-validate and by comparing
# bytes, never by Quenda.
#   kill_writes.sh QUENDA_BINARY SCRIPTS_DIR [ROUNDS]
set -euo pipefail

usage="usage: kill_writes.sh QUENDA_BINARY SCRIPTS_DIR [ROUNDS]"
quenda=${1:?$usage}
scripts=${2:?$usage}
rounds=${3:-20}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=scripts/lib/desktop.sh
source "$scripts/lib/desktop.sh"
# shellcheck source=tests/e2e/lib/session.sh
source "$here/lib/session.sh"

eval "$("$scripts/virtual-desktop.sh" start --bus)"
config=$XDG_CONFIG_HOME/Quenda
data=$XDG_DATA_HOME/Quenda
settings=$config/defaults.json
history=$data/historial.json
shelf=$data/estante.json
autostart=$XDG_CONFIG_HOME/autostart
entry=$autostart/org.quenda.Quenda.desktop

# A random delay of 0 to $1 milliseconds: the moment of the kill is what is tested.
random_pause() {
    local ms=$((RANDOM % $1))
    sleep "$((ms / 1000)).$(printf '%03d' $((ms % 1000)))"
}
# The bytes of FILE, or "absent".
snapshot() { if [[ -e $1 ]]; then base64 -w0 <"$1"; else echo absent; fi; }
# valid_json FILE KIND: FILE parses as a JSON object or array.
valid_json() {
    python3 -c 'import json, sys
v = json.load(open(sys.argv[1], encoding="utf-8"))
sys.exit(0 if isinstance(v, {"object": dict, "array": list}[sys.argv[2]]) else 1)' "$1" "$2"
}
# old_or_new FILE KIND OLD: FILE is absent only if it was before, else unchanged or valid.
# Counts in `changed` the kills after which the file held new content.
old_or_new() {
    local now
    now=$(snapshot "$1")
    [[ $now == "$3" ]] && return 0
    [[ $now != absent ]] || { fail "$1 vanished"; return 1; }
    valid_json "$1" "$2" || { fail "$1 is broken: $(head -c 200 "$1")"; return 1; }
    changed=$((changed + 1))
}
# report WHAT: one line per file; a file that never changed tested nothing.
report() {
    echo "$1: $rounds kills, new content after $changed of them"
    ((changed > 0)) || fail "$1 was never written during the rounds"
    changed=0
}
changed=0
# Temporary copies of a save: the file's name, a dot and six letters or digits (a folder
# not made yet holds none).
leftovers() {
    find "$config" "$data" "$autostart" -regextype posix-extended \
        -regex '.*\.(json|png|desktop)\.[A-Za-z0-9]{6}' 2>/dev/null || true
}
# The bus frees the killed instance's name a moment after it is gone; a start before that
# would find it still "running" and only ask it to open its dashboard.
name_free() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.quenda.Quenda 2>/dev/null | grep -q 'boolean false'
}
kill_quenda() {
    kill -KILL "$qpid" 2>/dev/null || true
    wait "$qpid" 2>/dev/null || true
    qpid=''
    qd_wait_until "the bus to free Quenda's name" name_free || qd_die "the bus kept the name"
}
restart() {
    # Emptied first: the new process truncates it only once it runs, and until then the
    # last run's lines would pass for its own.
    : >"$tmp/quenda.err"
    "$quenda" 2>>"$tmp/quenda.err" &
    qpid=$!
    if ! qd_wait_until "the hot key log" has_hotkey_lines 1; then
        echo "quenda did not start; alive: $(qd_alive "$qpid" && echo yes || echo no)" >&2
        tail -20 "$tmp/quenda.err" >&2
        [[ -r /proc/$qpid/wchan ]] && echo "waiting in $(cat "/proc/$qpid/wchan")" >&2
        command -v gdb >/dev/null && gdb -p "$qpid" -batch -ex 'thread apply all bt 10' 2>/dev/null |
            grep -E '^#|^Thread' >&2
        qd_die "no start"
    fi
    # The instance clears what an earlier run left as it starts; only then is it looked for.
    local left
    left=$(leftovers)
    [[ -z $left ]] || fail "temporary copies outlived a start: $left"
}

qd_open_xterm "Quenda kill A" 60x10+10+10
client_pids+=("$QD_XTERM_PID")
moving=$QD_XTERM_ID
qd_open_xterm "Quenda kill B" 60x10+500+300
client_pids+=("$QD_XTERM_PID")

# --- The settings file, by the command line ----------------------------------------------
# The kills are spread over half as long again as one whole command takes on this machine
# now (80 ms at least), so that on a loaded machine some still land after the write.
started=$(date +%s%N)
"$quenda" config set gap 8 >/dev/null 2>&1
took=$((($(date +%s%N) - started) / 1000000))
window=$((took * 3 / 2 > 80 ? took * 3 / 2 : 80))
kills=0
for ((i = 1; i <= rounds; i++)); do
    before=$(snapshot "$settings")
    "$quenda" config set gap $((i % 40)) >/dev/null 2>&1 &
    writer=$!
    random_pause "$window"
    kill -KILL "$writer" 2>/dev/null && kills=$((kills + 1))
    wait "$writer" 2>/dev/null || true
    old_or_new "$settings" object "$before" || break
done
report "settings ($kills writers killed before they ended, kills within $window ms)"

# --- A workspace slot, the clipboard history and the shelf, by the running instance --------
restart
for ((i = 1; i <= rounds; i++)); do
    before=$(snapshot "$settings")
    # A slot different from the last one each time.
    xdotool windowmove --sync "$moving" $((20 + 7 * i)) 40 2>/dev/null || true
    "$quenda" action ws.save.1 >/dev/null 2>&1 || true
    random_pause 150
    kill_quenda
    old_or_new "$settings" object "$before" || break
    restart
done
report "workspace slot"

for ((i = 1; i <= rounds; i++)); do
    before=$(snapshot "$history")
    printf 'copia %d %s' "$i" "$RANDOM" | xclip -selection clipboard -i
    random_pause 150
    kill_quenda
    old_or_new "$history" array "$before" || break
    restart
done
report "clipboard history"

for ((i = 1; i <= rounds; i++)); do
    before=$(snapshot "$shelf")
    printf 'estante %d %s' "$i" "$RANDOM" | xclip -selection clipboard -i
    "$quenda" action tools.shelfAdd >/dev/null 2>&1 || true
    random_pause 150
    kill_quenda
    old_or_new "$shelf" array "$before" || break
    restart
done
report "shelf"

# --- The autostart entry, by the dashboard's switch -------------------------------------
# The switch sits at the bottom of the last tab; the dashboard is opened, switched to that
# tab, scrolled down and left to settle before the click.
dashboard_framed() { dash=$(qd_find_window "Quenda") && qd_window_framed "$dash"; }
snapshot_dash() { import -window "$dash" "$1" 2>/dev/null; }
unchanged() {
    snapshot_dash "$tmp/settle-b.png" || return 1
    if cmp -s "$tmp/settle-a.png" "$tmp/settle-b.png"; then return 0; fi
    mv "$tmp/settle-b.png" "$tmp/settle-a.png"
    return 1
}
settle() {
    rm -f "$tmp/settle-a.png"
    qd_wait_until "the dashboard to settle" unchanged
}
open_settings() {
    local status=0
    "$quenda" action tools.dashboard >/dev/null 2>"$tmp/action.err" || status=$?
    qd_wait_until "the dashboard" dashboard_framed ||
        qd_die "no dashboard in round $i (action status $status: $(cat "$tmp/action.err"); quenda $(qd_alive "$qpid" && echo alive || echo gone): $(grep -v "^\[Quenda\] HotKey " "$tmp/quenda.err" | head -5))"
    xdotool key --window "$dash" ctrl+6
    for _ in 1 2 3 4 5 6 7 8 9 10; do xdotool mousemove --window "$dash" 600 400 click 5; done
    settle || qd_die "the dashboard kept changing"
}
click_switch() { xdotool mousemove --window "$dash" 272 302 click 1; }
# complete_or_absent FILE OLD: FILE is OLD, absent, or the whole entry that
# desktop-file-validate accepts.
complete_or_absent() {
    local now
    now=$(snapshot "$1")
    [[ $now == "$2" ]] && return 0
    [[ $now != absent ]] || { fail "$1 vanished"; return 1; }
    desktop-file-validate "$1" || { fail "desktop-file-validate refused $1: $(head -c 300 "$1")"; return 1; }
    [[ $now == "$complete" ]] || { fail "$1 is not the whole entry: $(head -c 300 "$1")"; return 1; }
    changed=$((changed + 1))
}
has_entry() { [[ -f $entry ]]; }
# The whole entry, from a click that is left to finish; it must be valid to compare with.
i=0
open_settings
click_switch
qd_wait_until "the autostart entry" has_entry || qd_die "the switch wrote no autostart entry"
desktop-file-validate "$entry" || fail "desktop-file-validate refused the entry"
[[ $(sed -n 's/^Exec=//p' "$entry") == "\"$(realpath "$quenda")\"" ]] ||
    fail "the entry's Exec is not this binary: $(grep Exec "$entry")"
complete=$(snapshot "$entry")
# An entry that says it is disabled: the switch is off and its click replaces it.
disabled=$'[Desktop Entry]\nType=Application\nName=Quenda\nExec=quenda\nHidden=true\n'
kill_quenda
# A copy left by a write stopped before these rounds: the next start clears it.
printf '[Desktop Entry]\nType=Appl' >"$entry.k1LL3d"
for ((i = 1; i <= rounds; i++)); do
    if ((i % 2)); then rm -f "$entry"; else printf '%s' "$disabled" >"$entry"; fi
    before=$(snapshot "$entry")
    restart
    open_settings
    click_switch
    random_pause 150
    kill_quenda
    complete_or_absent "$entry" "$before" || break
done
restart
report "autostart entry"
kill_quenda

[[ -s $history && -s $shelf ]] || fail "the history or the shelf was never written"
e2e_finish kill_writes

#!/usr/bin/env bash
# End-to-end: `quenda config` on a private XDG_CONFIG_HOME, checked through the command's
# own output and by reading defaults.json with python's json module.
#   config_cli.sh QUENDA_BINARY SCRIPTS_DIR
set -euo pipefail

quenda=${1:?usage: config_cli.sh QUENDA_BINARY SCRIPTS_DIR}

tmp=$(mktemp -d "${TMPDIR:-/tmp}/quenda-e2e.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
export HOME=$tmp XDG_CONFIG_HOME=$tmp/config XDG_DATA_HOME=$tmp/data
# Settings need no desktop; a display must not be required.
unset DISPLAY DBUS_SESSION_BUS_ADDRESS
file=$XDG_CONFIG_HOME/Quenda/defaults.json

failures=0
fail() {
    printf 'FAIL %s\n' "$*" >&2
    failures=$((failures + 1))
}

# expect STATUS STDOUT ARGS...: `quenda config ARGS` exits STATUS and prints STDOUT
# ("*" = not checked). A refused command (status 2) must leave the file's bytes alone.
expect() {
    local want_status=$1 want_out=$2 status=0 out before="" after=""
    shift 2
    [[ ! -f $file ]] || before=$(sha256sum <"$file")
    out=$(timeout 60 "$quenda" config "$@" 2>"$tmp/err") || status=$?
    [[ ! -f $file ]] || after=$(sha256sum <"$file")
    if [[ $status != "$want_status" ]]; then
        fail "config $*: exit $status, wanted $want_status ($(cat "$tmp/err"))"
    elif [[ $want_out != "*" && $out != "$want_out" ]]; then
        fail "config $*: printed \"$out\", wanted \"$want_out\""
    fi
    if [[ $want_status == 2 && $before != "$after" ]]; then
        fail "config $*: was refused but changed $file"
    fi
}

# stored KEY JSON: defaults.json holds KEY with exactly this JSON value and type
# (true must be a boolean, 12 an integer, "x" a string); the JSON string "<absent>"
# stands for no such key.
stored() {
    python3 - "$file" "$1" "$2" <<'PY' || fail "defaults.json: $1 is not stored as $2"
import json, sys
path, key, want = sys.argv[1:]
have = json.load(open(path)).get(key, "<absent>")
want = json.loads(want)
sys.exit(0 if type(have) is type(want) and have == want else 1)
PY
}

# --- Known keys: defaults, typed writes, refusals, unset --------------------------------
expect 0 8 get gap
expect 0 true get broadcastEnter
expect 0 2 get cornerButtonMode
expect 0 '' set gap 12
expect 0 12 get gap
stored gap 12
expect 2 '*' set gap abc
expect 2 '*' set gap 12.5
expect 0 12 get gap
expect 0 '' set stageManagerInset true
expect 0 true get stageManagerInset
stored stageManagerInset true
expect 2 '*' set stageManagerInset yes
expect 0 '' set templateID 42
stored templateID '"42"'
expect 0 '' unset gap
expect 0 8 get gap
stored gap '"<absent>"'

# --- Data values are JSON text in and out -----------------------------------------------
hotkeys='{"layout.auto": {"keyCode": 0, "modifiers": 768}, "names": ["é", "a\"b"]}'
expect 0 '' set customHotKeys.v1 "$hotkeys"
python3 -c '
import json, subprocess, sys
out = subprocess.run([sys.argv[1], "config", "get", "customHotKeys.v1"],
                     capture_output=True, text=True, check=True).stdout
sys.exit(0 if json.loads(out) == json.loads(sys.argv[2]) else 1)
' "$quenda" "$hotkeys" || fail "config get customHotKeys.v1 does not give back the JSON set"
expect 2 '*' set customHotKeys.v1 '{not json'

# --- Keys the table does not know: typed by their text ----------------------------------
expect 0 '' set e2e.flag false
expect 0 '' set e2e.count -7
expect 0 '' set e2e.name 'two words'
stored e2e.flag false
stored e2e.count -7
stored e2e.name '"two words"'
expect 0 'two words' get e2e.name

# --- A damaged file reads as the defaults and is not rewritten by a read ----------------
printf '{"gap": 16,, oops' >"$file"
damaged=$(sha256sum <"$file")
expect 0 8 get gap
expect 0 '*' list
[[ $(sha256sum <"$file") == "$damaged" ]] || fail "reading a damaged defaults.json rewrote it"

# --- Each damage is kept aside under a name of its own, readable by the user only ---------
rm -f "$file" "$file".damaged-*
for damage in 'first damage' 'second damage'; do
    printf '%s' "$damage" >"$file"
    chmod 644 "$file"
    expect 0 '' set gap 4
done
mapfile -t copies < <(find "$(dirname "$file")" -name 'defaults.json.damaged-*' | sort)
if [[ ${#copies[@]} != 2 ]]; then
    fail "two damages left ${#copies[@]} copies aside"
else
    both=$(cat "${copies[@]}")
    [[ $both == *"first damage"* && $both == *"second damage"* ]] ||
        fail "the damaged copies do not hold both damages: $both"
    for copy in "${copies[@]}"; do
        [[ $(stat -c %a "$copy") == 600 ]] || fail "$copy has mode $(stat -c %a "$copy"), not 600"
    done
fi
printf 'broken' >"$file"
timeout 60 "$quenda" config get gap 2>"$tmp/err" >/dev/null || fail "config get on a damaged file failed"
[[ $(wc -l <"$tmp/err") == 1 ]] || fail "a damaged file is not said in one line: $(cat "$tmp/err")"

# --- The gap takes 0 to 64; a stored value out of range reads as the nearest bound -------
rm -f "$file"
expect 0 '' set gap 64
expect 2 '*' set gap 65
expect 2 '*' set gap -40
expect 2 '*' set gap 9223372036854775807
expect 0 64 get gap
printf '{"gap": 1000}' >"$file"
expect 0 64 get gap
printf '{"gap": -40}' >"$file"
expect 0 0 get gap

# --- Anything but a regular file is read as the defaults, quickly, and never replaced ----
# `timeout` turns a hang in open() into a failure instead of a stuck test.
for kind in fifo fifo-link device-link; do
    rm -rf "$file"
    case $kind in
    fifo) mkfifo "$file" ;;
    fifo-link)
        [[ -p $tmp/fifo ]] || mkfifo "$tmp/fifo"
        ln -s "$tmp/fifo" "$file"
        ;;
    device-link) ln -s /dev/null "$file" ;;
    esac
    before=$(stat -c '%F %N' "$file")
    expect 0 8 get gap
    status=0
    timeout 20 "$quenda" config set gap 4 2>"$tmp/err" || status=$?
    if [[ $status == 0 || $status == 124 ]]; then
        fail "config set on a $kind: exit $status, wanted a refusal"
    fi
    [[ $(wc -l <"$tmp/err") == 1 ]] || fail "config set on a $kind: not one line: $(cat "$tmp/err")"
    [[ $(stat -c '%F %N' "$file") == "$before" ]] || fail "config set replaced the $kind"
done
rm -f "$file"

# --- Writers at once: each keeps its key ------------------------------------------------
for round in 1 2 3 4 5; do
    rm -f "$file"
    pids=()
    for key in 1 2 3 4 5 6; do
        "$quenda" config set "e2e.race$key" "$round" 2>>"$tmp/race-err" &
        pids+=($!)
    done
    for pid in "${pids[@]}"; do wait "$pid" || fail "round $round: a concurrent config set failed"; done
    for key in 1 2 3 4 5 6; do stored "e2e.race$key" "$round"; done
done

if ((failures)); then
    echo "config_cli: $failures failure(s)" >&2
    exit 1
fi
echo "config_cli: all checks passed"

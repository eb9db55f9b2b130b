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

if ((failures)); then
    echo "config_cli: $failures failure(s)" >&2
    exit 1
fi
echo "config_cli: all checks passed"

#!/usr/bin/env bash
# End-to-end: the clipboard history of the running application. Other programs copy with
# xclip (text, a PNG image, a file list) and with our test client (a copy marked secret by
# a password manager, an owner that never answers); what was recorded is read with python's
# json module from historial.json and from `quenda history --json`, never from Quenda's
# own state.
#   clipboard_history.sh QUENDA_BINARY SCRIPTS_DIR ARTIFACTS_DIR CLIPBOARD_CLIENT
set -euo pipefail

usage="usage: clipboard_history.sh QUENDA_BINARY SCRIPTS_DIR ARTIFACTS_DIR CLIPBOARD_CLIENT"
quenda=${1:?$usage}
scripts=${2:?$usage}
artifacts=${3:?$usage}
client=${4:?$usage}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=scripts/lib/desktop.sh
source "$scripts/lib/desktop.sh"
# shellcheck source=tests/e2e/lib/session.sh
source "$here/lib/session.sh"
mkdir -p "$artifacts"

eval "$("$scripts/virtual-desktop.sh" start --bus)"
history_file=$XDG_DATA_HOME/Quenda/historial.json

# copy TARGET < DATA: another program owns the clipboard with DATA under TARGET.
copy() {
    xclip -selection clipboard -t "$1" -i
}
# item FIELD: FIELD of the newest item of historial.json ("" when there is none).
newest() {
    [[ -f $history_file ]] || return 0
    python3 - "$history_file" "$1" <<'PY'
import json, sys
items = json.load(open(sys.argv[1]))
if items:
    value = items[0].get(sys.argv[2], "")
    print(json.dumps(value) if not isinstance(value, str) else value)
PY
}
count() {
    [[ -f $history_file ]] || { echo 0; return; }
    python3 -c 'import json,sys; print(len(json.load(open(sys.argv[1]))))' "$history_file"
}
newest_text_is() { [[ $(newest kind) == text && $(newest text) == "$1" ]]; }
count_is() { [[ $(count) == "$1" ]]; }

# What is on the clipboard before Quenda starts is not recorded.
printf 'before start' | copy UTF8_STRING
start_quenda 1
# A copy made now is the first item.
printf 'hola e2e' | copy UTF8_STRING
qd_wait_until "the first copy in the history" newest_text_is 'hola e2e' ||
    fail "text copy not recorded: $(cat "$history_file" 2>/dev/null)"
expect_eq "items after one copy" "$(count)" 1

# A PNG image: kept as a file of its own, the same picture.
convert -size 64x48 xc:red "$tmp/red.png"
copy image/png <"$tmp/red.png"
newest_is_image() { [[ $(newest kind) == image ]]; }
qd_wait_until "the image in the history" newest_is_image || fail "image not recorded"
png=$(newest paths | python3 -c 'import json,sys; print(json.load(sys.stdin)[0])')
if [[ -f $png ]]; then
    expect_eq "stored image" "$(identify -format '%m %wx%h' "$png")" "PNG 64x48"
else
    fail "stored image missing: $png"
fi

# A file list from a file manager: local paths, percent-decoded, in order.
mkdir -p "$tmp/docs"
touch "$tmp/docs/a b.txt" "$tmp/docs/ñ.md"
printf 'file://%s/docs/a%%20b.txt\r\nfile://%s/docs/%%C3%%B1.md\r\n' "$tmp" "$tmp" | copy text/uri-list
newest_is_files() { [[ $(newest kind) == files ]]; }
qd_wait_until "the file list in the history" newest_is_files || fail "file list not recorded"
expect_eq "file paths" "$(newest paths)" "[\"$tmp/docs/a b.txt\", \"$tmp/docs/\\u00f1.md\"]"

# A password manager's copy is never recorded, and its text is never even asked for: the
# owner's own log lists every request it received.
mkfifo "$tmp/owner.in"
exec 7<>"$tmp/owner.in"
before=$(count)
"$client" x-kde-passwordManagerHint=secret UTF8_STRING=hunter2-secret <&7 >"$tmp/owner.log" &
client_pids+=($!)
owner_asked_targets() { grep -q '^asked TARGETS$' "$tmp/owner.log"; }
qd_wait_until "Quenda to look at the secret copy" owner_asked_targets ||
    fail "the secret copy was never looked at"
# Then an ordinary copy: once it is in, the secret one was surely handled before it.
printf 'after secret' | copy UTF8_STRING
qd_wait_until "the copy after the secret one" newest_text_is 'after secret' ||
    fail "copy after the secret one not recorded"
expect_eq "items after a secret copy" "$(count)" $((before + 1))
if grep -q '^asked \(UTF8_STRING\|STRING\|TEXT\|text/plain.*\)$' "$tmp/owner.log"; then
    fail "the secret text was asked for: $(tr '\n' ' ' <"$tmp/owner.log")"
fi
if grep -rq 'hunter2-secret' "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" 2>/dev/null; then
    fail "the secret text reached the disk"
fi

# A password manager clearing its copy empties the clipboard: nothing is recorded, and
# nothing is put back.
"$client" UTF8_STRING=short-lived <&7 >"$tmp/owner2.log" &
client_pids+=($!)
owner2_ready() { grep -q '^ready$' "$tmp/owner2.log"; }
qd_wait_until "the short-lived owner" owner2_ready
qd_wait_until "the short-lived copy in the history" newest_text_is 'short-lived' ||
    fail "short-lived copy not recorded"
before=$(count)
echo clear >&7
owner2_cleared() { grep -q '^cleared$' "$tmp/owner2.log"; }
qd_wait_until "the owner to clear the clipboard" owner2_cleared
# Give Quenda the change, then another copy to know it was handled.
printf 'after clear' | copy UTF8_STRING
qd_wait_until "the copy after the clear" newest_text_is 'after clear' ||
    fail "copy after the clear not recorded"
expect_eq "items after a clear" "$(count)" $((before + 1))
echo quit >&7

# Copying an older text again moves it to the top, without a second item.
before=$(count)
printf 'hola e2e' | copy UTF8_STRING
qd_wait_until "the older text back on top" newest_text_is 'hola e2e' || fail "duplicate not moved"
expect_eq "items after a duplicate" "$(count)" "$before"

# An owner that never answers costs one read, not the application.
"$client" --hang UTF8_STRING=never <&7 >"$tmp/hang.log" &
client_pids+=($!)
hang_pid=$!
hang_ready() { grep -q '^ready$' "$tmp/hang.log"; }
qd_wait_until "the hanging owner to hold the clipboard" hang_ready
start_ns=$(date +%s%N)
run_quenda action win.center
elapsed_ms=$((($(date +%s%N) - start_ns) / 1000000))
expect_eq "action while an owner hangs" "$status" 0
((elapsed_ms < 3000)) || fail "an action took ${elapsed_ms} ms while an owner hung"
kill "$hang_pid" 2>/dev/null || true
printf 'after hang' | copy UTF8_STRING
qd_wait_until "a copy after the hung owner" newest_text_is 'after hang' ||
    fail "nothing recorded after the hung owner"

# The history outlives the application.
before=$(count)
kill "$qpid"
qd_wait_until "quenda to exit" quenda_gone
start_quenda 1
printf 'after restart' | copy UTF8_STRING
qd_wait_until "a copy after the restart" newest_text_is 'after restart' ||
    fail "nothing recorded after the restart"
expect_eq "items after the restart" "$(count)" $((before + 1))

# The command line reads the same file without a display.
json=$(env -u DISPLAY "$quenda" history --json)
expect_eq "history --json newest" "$(python3 -c 'import json,sys; print(json.loads(sys.stdin.read())[0]["text"])' <<<"$json")" "after restart"
env -u DISPLAY "$quenda" history >"$tmp/history.txt" || fail "quenda history failed"
grep -q 'after restart' "$tmp/history.txt" || fail "plain history: $(head -3 "$tmp/history.txt")"

e2e_finish clipboard_history

#!/usr/bin/env bash
# End-to-end timing of the bridge on a private Xvfb + openbox: from the shortcut's key press
# (xdotool) until the text has arrived in the target, an xterm whose `cat` runs on a raw
# terminal and so writes every byte to its file as it comes. The source is a mousepad
# window with its text selected, so each round includes the editor's own copy.
#   - "bridge.send" (Alt+Shift+2): until the file holds the text;
#   - "bridge.sendEnter" (Ctrl+Alt+W): until the file holds the text and the Return.
# Prints median, min and max in milliseconds over ROUNDS rounds (10 by default), beside what
# fixed delays gave before waits ended on events: after the copy, the paste 350 ms later and
# the Return 700 ms later (and the next window of a broadcast 650 and 1000 ms later). Run by
# hand, never as a test:
#   bench/bridge_latency.sh QUENDA_BINARY [ROUNDS]
set -euo pipefail

usage="usage: bridge_latency.sh QUENDA_BINARY [ROUNDS]"
quenda=${1:?$usage}
rounds=${2:-10}
[[ $rounds =~ ^[1-9][0-9]*$ ]] || { echo "$usage (ROUNDS: a positive number)" >&2; exit 2; }
[[ -x $quenda ]] || { echo "bridge_latency.sh: $quenda is not executable" >&2; exit 2; }
quenda=$(cd "$(dirname "$quenda")" && pwd)/$(basename "$quenda")

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
scripts=$root/scripts
# shellcheck source=scripts/lib/desktop.sh
source "$scripts/lib/desktop.sh"
# shellcheck source=tests/e2e/lib/session.sh
source "$root/tests/e2e/lib/session.sh"
trap 'exit 130' INT TERM

for tool in Xvfb openbox xterm xdotool mousepad python3; do
    command -v "$tool" >/dev/null || qd_die "$tool is not installed"
done

eval "$("$scripts/virtual-desktop.sh" start --bus)"
export XDG_CACHE_HOME=$tmp/cache GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1
start_quenda 7

received=$tmp/recibido.txt
: >"$received"
# shellcheck disable=SC2016 # $0 is the inner shell's, on purpose
xterm -T "Quenda destino" -n "Quenda destino" -geometry 70x10+20+20 \
    -e sh -c 'stty raw -echo; exec cat >"$0"' "$received" >/dev/null 2>&1 &
QD_XTERM_PID=$!
client_pids+=($!)
qd_wait_until "the target xterm" qd_xterm_listed "Quenda destino" || qd_die "no target xterm"
target=$(qd_find_window "Quenda destino")
qd_wait_until "the target to be framed" qd_window_framed "$target"

doc=$tmp/nota.txt
: >"$doc"
mousepad "$doc" >/dev/null 2>&1 &
client_pids+=($!)
editor_listed() { qd_find_window "nota.txt - Mousepad" >/dev/null || xdotool search --name 'nota.txt' >/dev/null 2>&1; }
qd_wait_until "mousepad's window" editor_listed || qd_die "mousepad did not show its window"
editor=$(xdotool search --name 'nota.txt' | head -1)
qd_wait_until "mousepad to be framed" qd_window_framed "$editor"

active_is_window() { [[ $(qd_root_prop _NET_ACTIVE_WINDOW) == *"$(printf '0x%x' "$1")"* ]]; }
activate() {
    xdotool windowactivate --sync "$1" >/dev/null 2>&1 || true
    qd_wait_until "window $1 to be active" active_is_window "$1"
}

activate "$target"
xdotool key --clearmodifiers alt+shift+1

# One round: fresh text selected in the editor, the shortcut pressed, the time until the
# file has grown by the expected bytes (polled every millisecond by python).
time_round() {
    local keys=$1 text=$2 expect=$3
    activate "$editor"
    xdotool key ctrl+a
    xdotool type --delay 5 "$text"
    xdotool key ctrl+a
    local size
    size=$(stat -c %s "$received")
    python3 - "$received" "$size" "$expect" "$keys" <<'EOF'
import os, subprocess, sys, time
path, size, expect, keys = sys.argv[1], int(sys.argv[2]), sys.argv[3].encode(), sys.argv[4]
start = time.monotonic()
subprocess.run(["xdotool", "key", "--clearmodifiers", keys], check=True)
deadline = start + 10
while time.monotonic() < deadline:
    with open(path, "rb") as f:
        f.seek(size)
        if f.read() == expect:
            print(round((time.monotonic() - start) * 1000))
            sys.exit(0)
    time.sleep(0.001)
print("timeout")
sys.exit(1)
EOF
}

stats() {
    python3 -c '
import statistics, sys
v = [int(x) for x in sys.argv[2:] if x.isdigit()]
lost = len(sys.argv[2:]) - len(v)
if not v:
    print(f"{sys.argv[1]:<28} no round arrived within 10 s")
    sys.exit()
print(f"{sys.argv[1]:<28} median {statistics.median(v):6.0f} ms   min {min(v):5d}   max {max(v):5d}"
      f"   (n={len(v)}, {lost} timed out)")' "$@"
}

send=() enter=()
for ((i = 1; i <= rounds; i++)); do
    text="ronda $i"
    send+=("$(time_round alt+shift+2 "$text" "$text" || true)")
    # Return on a raw terminal is a carriage return.
    enter+=("$(time_round ctrl+alt+w "$text" "$text"$'\r' || true)")
done

echo "bridge, key press to text in the target xterm ($rounds rounds, source: mousepad)"
stats "bridge.send" "${send[@]}"
stats "bridge.sendEnter" "${enter[@]}"
echo "with fixed delays, after the copy: the paste at 350 ms, the Return at 700 ms"

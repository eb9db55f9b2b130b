#!/usr/bin/env bash
# Clipboard capture cost of the running application, on a private Xvfb + openbox: another
# program (xclip) copies 100 texts and 20 images one after another; for each, the time from
# the copy until historial.json holds it, and Quenda's CPU time (user + system, from
# /proc/PID/stat) over all captures, divided per capture. Also Quenda's CPU over a quiet
# stretch with nothing copied, and its proportional memory (PSS) with the history full.
# Run by hand, never as a test:
#   bench/clipboard_capture.sh QUENDA_BINARY
set -euo pipefail

usage="usage: clipboard_capture.sh QUENDA_BINARY"
quenda=${1:?$usage}
[[ -x $quenda ]] || { echo "clipboard_capture.sh: $quenda is not executable" >&2; exit 2; }
quenda=$(cd "$(dirname "$quenda")" && pwd)/$(basename "$quenda")

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
scripts=$root/scripts
# shellcheck source=scripts/lib/desktop.sh
source "$scripts/lib/desktop.sh"
# shellcheck source=tests/e2e/lib/session.sh
source "$root/tests/e2e/lib/session.sh"
trap 'exit 130' INT TERM

for tool in Xvfb openbox xclip convert python3; do
    command -v "$tool" >/dev/null || qd_die "$tool is not installed"
done

eval "$("$scripts/virtual-desktop.sh" start --bus)"
start_quenda 1
for i in $(seq 1 20); do
    convert -size 800x600 "plasma:fractal" -seed "$i" "$tmp/image-$i.png" 2>/dev/null ||
        convert -size 800x600 "xc:rgb($((i * 10)),80,160)" "$tmp/image-$i.png"
done

python3 "$root/bench/lib/clipboard_timing.py" "$qpid" "$XDG_DATA_HOME/Quenda/historial.json" "$tmp"

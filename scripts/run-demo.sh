#!/usr/bin/env bash
# Builds Quenda and shows it working on a headless machine: a private virtual desktop
# (Xvfb + openbox + a session bus), three xterms, `quenda windows` in both formats, and a
# screenshot left in artifacts/quenda-demo.png.
#
#   scripts/run-demo.sh [--no-build] [--build-dir DIR] [--monitors SPEC] [--wm openbox|xfwm4]
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=scripts/lib/desktop.sh
source "$root/scripts/lib/desktop.sh"
cd "$root"

build=true
build_dir=build
desktop_args=(--bus)
while (($#)); do
    case $1 in
        --no-build) build=false; shift ;;
        --build-dir) build_dir=${2:?--build-dir needs a folder}; shift 2 ;;
        --monitors | --wm) desktop_args+=("$1" "${2:?$1 needs a value}"); shift 2 ;;
        *)
            echo "usage: scripts/run-demo.sh [--no-build] [--build-dir DIR]" \
                "[--monitors SPEC] [--wm openbox|xfwm4]" >&2
            exit 2
            ;;
    esac
done
[[ $build_dir == /* ]] || build_dir=$root/$build_dir
quenda=$build_dir/main/quenda
screenshot=$root/artifacts/quenda-demo.png

# Demo windows: title | xterm geometry (columns x rows + x + y).
demo_windows=(
    "Quenda demo: editor|80x24+40+40"
    "Quenda demo: logs|100x16+560+120"
    "Quenda demo: shell|60x20+220+520"
)
# Processes this script started besides the desktop, ended before it.
demo_pids=()

build_quenda() {
    cmake -G Ninja -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo
    cmake --build "$build_dir" -j2
}

start_desktop() {
    echo "==> starting a private virtual desktop"
    eval "$("$root/scripts/virtual-desktop.sh" start "${desktop_args[@]}")"
    trap stop_everything EXIT
    trap 'exit 130' INT TERM
    echo "    DISPLAY=$DISPLAY"
}

stop_everything() {
    local pid
    for pid in "${demo_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    if [[ -n ${QUENDA_VD_PIDS:-} ]]; then "$root/scripts/virtual-desktop.sh" stop; fi
}

open_windows() {
    local entry
    for entry in "${demo_windows[@]}"; do
        qd_open_xterm "${entry%%|*}" "${entry#*|}"
        demo_pids+=("$QD_XTERM_PID")
        echo "    opened \"${entry%%|*}\" ($QD_XTERM_ID)"
    done
}

quenda_ready() { grep -q '^\[Quenda\] HotKey ' "$quenda_log" 2>/dev/null; }

# The tray application, with a tray host to show its icon in; then one command sent to it
# as a user would, snapping the focused xterm to the left half.
start_quenda() {
    echo "==> starting quenda"
    if command -v trayer >/dev/null; then
        trayer --edge top --align right --widthtype request --height 28 --transparent false \
            --tint 0x333333 --SetDockType true >/dev/null 2>&1 &
        demo_pids+=("$!")
    fi
    quenda_log=$(mktemp "${TMPDIR:-/tmp}/quenda-demo.XXXXXX")
    "$quenda" 2>"$quenda_log" &
    demo_pids+=("$!")
    qd_wait_until "quenda to register its shortcuts" quenda_ready
    sed 's/^/    /' "$quenda_log"
    echo "==> quenda action win.left"
    "$quenda" action win.left
}

show_windows() {
    echo "==> quenda windows"
    "$quenda" windows
    echo "==> quenda windows --json"
    "$quenda" windows --json
}

take_screenshot() {
    mkdir -p "$(dirname "$screenshot")"
    import -window root "$screenshot"
    echo "==> screenshot saved to ${screenshot#"$root"/}"
}

if $build; then build_quenda; fi
[[ -x $quenda ]] || qd_die "$quenda is missing; build first or drop --no-build"
start_desktop
open_windows
start_quenda
show_windows
take_screenshot

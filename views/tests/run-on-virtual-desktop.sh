#!/usr/bin/env bash
# Runs a view test on its own virtual desktop (Xvfb + openbox), so it never touches the
# caller's session, and always stops that desktop afterwards.
#
#   run-on-virtual-desktop.sh SCRIPTS_DIR MONITORS TEST [ARGS...]
set -euo pipefail

scripts=${1:?scripts folder}
monitors=${2:?monitor spec, e.g. 1440x900+0+0}
shift 2

desktop=$("$scripts/virtual-desktop.sh" start --monitors "$monitors" --wm openbox)
eval "$desktop"
trap '"$scripts/virtual-desktop.sh" stop' EXIT

# Qt must use this X server, whatever the caller's session offers.
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb
export QUENDA_VIEW_MONITORS=$monitors
"$@"

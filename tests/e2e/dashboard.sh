#!/usr/bin/env bash
# End-to-end: the dashboard of the running application. A second `quenda` and
# `quenda action tools.dashboard` open it; its window is found, framed and placed as
# xprop, xwininfo and x11_oracle.py see it; every tab is kept as a screenshot; closed and
# opened again, it comes back where it was left, at the size it was left.
#   dashboard.sh QUENDA_BINARY SCRIPTS_DIR ARTIFACTS_DIR
set -euo pipefail

quenda=${1:?usage: dashboard.sh QUENDA_BINARY SCRIPTS_DIR ARTIFACTS_DIR}
scripts=${2:?usage: dashboard.sh QUENDA_BINARY SCRIPTS_DIR ARTIFACTS_DIR}
artifacts=${3:?usage: dashboard.sh QUENDA_BINARY SCRIPTS_DIR ARTIFACTS_DIR}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=scripts/lib/desktop.sh
source "$scripts/lib/desktop.sh"
# shellcheck source=tests/e2e/lib/session.sh
source "$here/lib/session.sh"
mkdir -p "$artifacts"

dashboard_framed() {
    dash=$(qd_find_window "Quenda") && qd_window_framed "$dash"
}
dashboard_gone() { ! qd_find_window "Quenda" >/dev/null; }

# The dashboard's own pixels, as ImageMagick reads them from the server.
snapshot() { import -window "$dash" "$1" 2>/dev/null; }
differs_from() {
    snapshot "$tmp/now.png" && ! cmp -s "$tmp/now.png" "$1"
}
# True once the window looks the same twice in a row: scrolling and redrawing are over.
unchanged() {
    snapshot "$tmp/settle-b.png" || return 1
    if cmp -s "$tmp/settle-a.png" "$tmp/settle-b.png"; then return 0; fi
    mv "$tmp/settle-b.png" "$tmp/settle-a.png"
    return 1
}
settle() {
    rm -f "$tmp/settle-a.png"
    qd_wait_until "the dashboard to settle" unchanged || fail "the dashboard kept changing"
}
# Clicks at a point of the dashboard once the pointer is over the dashboard itself, not
# over a window that happens to stand above it.
pointer_on_dash() {
    local WINDOW=
    eval "$(xdotool getmouselocation --shell)"
    # xdotool names the window under the pointer: the frame under openbox, the client
    # itself under xfwm4.
    ((WINDOW == dash)) || xwininfo -tree -id "$WINDOW" 2>/dev/null | grep -q "^ *$dash "
}
click_dash() {
    xdotool mousemove --window "$dash" "$1" "$2"
    qd_wait_until "the pointer over the dashboard" pointer_on_dash || fail "something stands over the dashboard"
    xdotool click 1
}

# ---------------------------------------------------------------------------------------
eval "$("$scripts/virtual-desktop.sh" start --bus)"

qd_open_xterm "Quenda e2e work" 60x20+80+80
xterm_id=$QD_XTERM_ID
activate "$xterm_id"

# The temporary folder the diagnostics go to.
export TMPDIR=$tmp/temp
mkdir -p "$TMPDIR"
# What the HUD says, on stderr.
export QUENDA_LOG_HUD=1
start_quenda 1
dashboard_gone || fail "the dashboard opened by itself"

# A second instance asks the first to open its dashboard, and leaves.
run_quenda
expect_eq "second instance status" "$status" 0
qd_wait_until "the dashboard window" dashboard_framed || fail "no dashboard after a second quenda"
qd_wait_until "the dashboard to be active" active_is "$dash" || fail "the dashboard is not active"
[[ $(xprop -id "$dash" WM_CLASS) == *'"quenda"'* ]] || fail "not our window: $(xprop -id "$dash" WM_CLASS)"
read -r _ _ w h <<<"$(outer_frame "$dash")"
((w >= 760 && h >= 520)) || fail "dashboard smaller than its minimum: ${w}x$h"

# Every tab, by its keyboard shortcut (Ctrl+1 … Ctrl+6), kept as an artefact. Each tab
# draws something else, so a changed picture says the tab was switched.
snapshot "$tmp/prev.png"
cp "$tmp/prev.png" "$artifacts/dashboard-layouts.png"
tabs=(layouts groups bridge clipboard shortcuts guides-settings)
for i in 2 3 4 5 6; do
    xdotool key --window "$dash" "ctrl+$i"
    name=${tabs[i - 1]}
    qd_wait_until "the $name tab" differs_from "$tmp/prev.png" || fail "tab $name did not show"
    cp "$tmp/now.png" "$artifacts/dashboard-$name.png"
    cp "$tmp/now.png" "$tmp/prev.png"
done
qd_alive "$qpid" || fail "quenda died while switching tabs"

# A window command from the layouts tab acts on the window the user worked in last (the
# xterm), which becomes active again; the dashboard stays open behind it. At the bottom
# of the tab, "Mitad derecha" is the second button of the active window's section.
xdotool key --window "$dash" ctrl+1
for _ in 1 2 3 4 5 6 7 8 9 10; do xdotool mousemove --window "$dash" 600 400 click 5; done
settle
snapshot "$artifacts/dashboard-layouts-bottom.png"
xdotool mousemove --window "$dash" 655 435 click 1
qd_wait_until "the xterm on the right half" frame_matches "$xterm_id" 804 8 788 984 16 ||
    fail "right half from the dashboard: $(outer_frame "$xterm_id")"
qd_wait_until "the xterm to be active" active_is "$xterm_id" || fail "the xterm is not active"
qd_find_window "Quenda" >/dev/null || fail "the dashboard closed"
activate "$dash"

xdotool key --window "$dash" ctrl+6
settle
# The guides tab, at its top: "Exportar diagnóstico" writes the diagnostics to the
# temporary folder. Its facts are checked against what xprop and uname say.
diagnostics=$TMPDIR/quenda-diagnostic.txt
xdotool mousemove --window "$dash" 764 578 click 1
qd_wait_until "the diagnostics file" test -f "$diagnostics" || fail "no diagnostics file"
# The file manager the bus starts shows that folder. A cold start may take seconds, and
# its window would then stand over the dashboard, so it is waited for and closed.
if qd_wait_until "the file manager on the folder" window_titled "${TMPDIR##*/}*" >/dev/null; then
    wmctrl -i -c "$(window_titled "${TMPDIR##*/}*")"
    fm_gone() { ! window_titled "${TMPDIR##*/}*" >/dev/null; }
    qd_wait_until "the file manager to close" fm_gone || fail "the file manager stayed open"
else
    fail "no file manager showed the diagnostics folder"
fi
if [[ -f $diagnostics ]]; then
    cp "$diagnostics" "$artifacts/quenda-diagnostic.txt"
    check=$(qd_root_prop _NET_SUPPORTING_WM_CHECK)
    wm=$(xprop -id "${check##* }" _NET_WM_NAME)
    wm=${wm#*= \"}
    expect_eq "diagnostics lines" "$(wc -l <"$diagnostics")" 11  # twelve, no final line feed
    expect_eq "first line" "$(head -n1 "$diagnostics")" "Quenda Technical Diagnostic (no personal data)"
    grep -qx "windowManager: ${wm%\"}" "$diagnostics" || fail "window manager: $(grep windowManager "$diagnostics")"
    grep -qx "kernel: linux $(uname -r)" "$diagnostics" || fail "kernel: $(grep kernel "$diagnostics")"
    grep -qx "displays: 1" "$diagnostics" || fail "displays: $(grep displays "$diagnostics")"
    grep -q "^xServer: The X.Org Foundation [0-9]" "$diagnostics" || fail "server: $(grep xServer "$diagnostics")"
    grep -q "$HOME" "$diagnostics" && fail "the diagnostics name the home folder"
fi

# The general settings, at the bottom of the guides tab (raised again: the file manager
# that showed the diagnostics may stand over it). The launch-at-login switch writes the
# autostart entry, which desktop-file-validate accepts and whose Exec is this binary;
# switched off, the entry is gone. A gap written here is in the settings file.
activate "$dash"
settle
for _ in 1 2 3 4 5 6 7 8 9 10; do xdotool mousemove --window "$dash" 600 400 click 5; done
settle
entry=$XDG_CONFIG_HOME/autostart/org.quenda.Quenda.desktop
click_dash 272 302
qd_wait_until "the autostart entry" test -f "$entry" || fail "no autostart entry"
if [[ -f $entry ]]; then
    desktop-file-validate "$entry" || fail "desktop-file-validate refused the entry"
    expect_eq "autostart Exec" "$(sed -n 's/^Exec=//p' "$entry")" "\"$(realpath "$quenda")\""
fi
qd_wait_until "the enabling message" grep -q "HUD Quenda se abrirá al iniciar sesión" "$tmp/quenda.err" ||
    fail "no message for launch at login"
gap_is() {
    python3 - "$XDG_CONFIG_HOME/Quenda/defaults.json" "$1" <<'PY'
import json, sys
sys.exit(0 if json.load(open(sys.argv[1])).get("gap") == int(sys.argv[2]) else 1)
PY
}
click_dash 448 362
qd_wait_until "the gap setting" gap_is 16 || fail "the gap was not written"
snapshot "$artifacts/dashboard-settings.png"
click_dash 272 302
entry_gone() { [[ ! -e $entry ]]; }
qd_wait_until "the autostart entry to go" entry_gone || fail "the autostart entry stayed"
# An autostart folder that cannot be written (a file stands in its place) is said so.
rm -rf "$XDG_CONFIG_HOME/autostart"
touch "$XDG_CONFIG_HOME/autostart"
click_dash 272 302
qd_wait_until "the refusal" grep -q "HUD No pude cambiar el inicio automático: .*autostart" "$tmp/quenda.err" ||
    fail "no message for an unwritable autostart folder"
qd_alive "$qpid" || fail "quenda died over the autostart folder"
rm -f "$XDG_CONFIG_HOME/autostart"
run_quenda config set gap 8

# Moved and resized, closed, opened again from the command line: same place and size.
before=$(outer_frame "$dash")
wmctrl -i -r "$dash" -e "0,140,90,820,560"
moved() {
    local x y w h
    read -r x y w h <<<"$(outer_frame "$dash")"
    [[ -n $x ]] && ((x != 0 || y != 0)) && ((w != 0)) && [[ "$x $y $w $h" != "$before" ]]
}
qd_wait_until "the dashboard to move" moved || fail "the dashboard did not move"
left=$(outer_frame "$dash")
# The place is written once moves have settled; the close writes it too.
wmctrl -i -c "$dash"
qd_wait_until "the dashboard to close" dashboard_gone || fail "the dashboard did not close"
qd_alive "$qpid" || fail "quenda exited when its dashboard closed"

run_quenda action tools.dashboard
expect_eq "tools.dashboard status" "$status" 0
qd_wait_until "the dashboard again" dashboard_framed || fail "tools.dashboard did not open it"
same_place() { [[ $(outer_frame "$dash") == "$left" ]]; }
qd_wait_until "the dashboard where it was left" same_place ||
    fail "reopened at [$(outer_frame "$dash")], left at [$left]"

# Another command leaves the dashboard alone; quenda keeps running.
activate "$xterm_id"
run_quenda action win.left
qd_wait_until "the xterm on the left half" frame_matches "$xterm_id" 8 8 788 984 16 ||
    fail "left half: $(outer_frame "$xterm_id")"
import -window root "$artifacts/dashboard-desktop.png" || fail "screenshot"

e2e_finish dashboard

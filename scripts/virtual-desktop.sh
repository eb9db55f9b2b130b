#!/usr/bin/env bash
# A private virtual X desktop (Xvfb + an EWMH window manager [+ a session bus]) for the
# demo and the end-to-end tests, so nothing depends on the caller's own session.
#
#   eval "$(scripts/virtual-desktop.sh start [--monitors SPEC] [--wm openbox|xfwm4|none] [--bus])"
#   ...                                  # DISPLAY, QUENDA_VD_PIDS (and the bus) are exported
#   scripts/virtual-desktop.sh stop      # ends the processes named in QUENDA_VD_PIDS
#
# SPEC is the monitor spec shared with the simulated desktop: WxH+X+Y[,WxH+X+Y...]. The
# screen is sized to their bounding box and each becomes a RandR monitor; the first one is
# the primary. Without it the screen is one 1600x1000 monitor. Without --wm the window
# manager is $QD_WM, else openbox: the end-to-end suite runs unchanged under each one.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=scripts/lib/desktop.sh
source "$here/lib/desktop.sh"

usage() {
    cat >&2 <<'EOF'
usage: virtual-desktop.sh start [--monitors WxH+X+Y[,...]] [--wm openbox|xfwm4|none] [--bus]
       virtual-desktop.sh stop          (reads QUENDA_VD_PIDS)
EOF
    exit 2
}

# Process names this script starts; stop refuses other pids, in case one was reused.
readonly known_names='Xvfb openbox xfwm4 dbus-daemon'

# stop_pids PID...: TERM each, wait for all with a deadline, then KILL what is left.
stop_pids() {
    local pid name
    local -a ours=()
    for pid in "$@"; do
        [[ $pid =~ ^[0-9]+$ ]] || continue
        qd_alive "$pid" || continue
        name=$(cat "/proc/$pid/comm" 2>/dev/null) || continue
        [[ " $known_names " == *" $name "* ]] || continue
        ours+=("$pid")
        kill -TERM "$pid" 2>/dev/null || true
    done
    ((${#ours[@]})) || return 0
    local end=$((SECONDS + 10))
    for pid in "${ours[@]}"; do
        while qd_alive "$pid" && ((SECONDS < end)); do sleep 0.05; done
        if qd_alive "$pid"; then
            printf 'virtual-desktop.sh: pid %s ignored SIGTERM; killing it\n' "$pid" >&2
            kill -KILL "$pid" 2>/dev/null || true
        fi
    done
}

# parse_spec SPEC: fills monitor_specs ("W H X Y" each) and screen_w/screen_h (bounding box).
parse_spec() {
    local item w h x y
    local -a items
    IFS=',' read -r -a items <<<"$1"
    ((${#items[@]})) || qd_die "empty monitor spec"
    screen_w=0 screen_h=0 monitor_specs=()
    for item in "${items[@]}"; do
        [[ $item =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] ||
            qd_die "bad monitor \"$item\" in \"$1\" (expected WxH+X+Y)"
        w=$((10#${BASH_REMATCH[1]})) h=$((10#${BASH_REMATCH[2]}))
        x=$((10#${BASH_REMATCH[3]})) y=$((10#${BASH_REMATCH[4]}))
        ((w > 0 && h > 0)) || qd_die "monitor \"$item\" has no area"
        monitor_specs+=("$w $h $x $y")
        if ((x + w > screen_w)); then screen_w=$((x + w)); fi
        if ((y + h > screen_h)); then screen_h=$((y + h)); fi
    done
}

# The RandR monitor list names every monitor we defined and nothing else.
monitors_applied() {
    local listing
    listing=$(xrandr --listmonitors 2>/dev/null) || return 1
    [[ $(head -n1 <<<"$listing") == "Monitors: ${#monitor_specs[@]}" ]]
}

emit() {
    # Values come from us (display number, pids, a bus address) and never hold a quote.
    [[ $2 != *"'"* ]] || qd_die "unexpected quote in $1"
    printf "export %s='%s'\n" "$1" "$2" >&9
}

start() {
    local monitors="" wm=${QD_WM:-openbox} bus=false
    while (($#)); do
        case $1 in
            --monitors) monitors=${2:?--monitors needs a spec}; shift 2 ;;
            --monitors=*) monitors=${1#*=}; shift ;;
            --wm) wm=${2:?--wm needs a name}; shift 2 ;;
            --wm=*) wm=${1#*=}; shift ;;
            --bus) bus=true; shift ;;
            *) usage ;;
        esac
    done
    case $wm in
        openbox | xfwm4) command -v "$wm" >/dev/null || qd_die "$wm is not installed" ;;
        none) ;;
        *) qd_die "unknown window manager \"$wm\" (openbox, xfwm4 or none)" ;;
    esac
    local -a monitor_specs=()
    local screen_w=1600 screen_h=1000
    [[ -z $monitors ]] || parse_spec "$monitors"

    # Only the final assignments may reach stdout, which the caller evals: keep it on fd 9
    # and send every tool's chatter (xrandr prints some) to stderr.
    exec 9>&1 1>&2
    workdir=$(mktemp -d "${TMPDIR:-/tmp}/quenda-vd.XXXXXX")
    started=()
    trap on_exit EXIT
    trap 'exit 130' INT TERM

    # -displayfd: Xvfb picks a free display and writes its number once it accepts clients.
    # -noreset: without it the server resets (dropping our RandR monitors) whenever its
    # last client disconnects, e.g. between two xrandr calls before the WM is up.
    Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 "${screen_w}x${screen_h}x24" \
        3>"$workdir/display" </dev/null >"$workdir/xvfb.log" 2>&1 9>&- &
    xvfb_pid=$!
    started+=("$xvfb_pid")
    qd_wait_until "Xvfb to report its display" display_written
    DISPLAY=":$(head -n1 "$workdir/display")"
    export DISPLAY

    if ((${#monitor_specs[@]})); then
        local i=0 w h x y name output
        for spec in "${monitor_specs[@]}"; do
            read -r w h x y <<<"$spec"
            i=$((i + 1))
            # The first monitor takes the real output and is primary; "*" marks primary.
            # Physical sizes assume 96 dpi.
            name="VD$i" output=none
            ((i > 1)) || name="*VD$i" output=screen
            xrandr --setmonitor "$name" "$w/$((w * 254 / 960))x$h/$((h * 254 / 960))+$x+$y" \
                "$output" >/dev/null
        done
        qd_wait_until "the RandR monitors" monitors_applied
    fi

    if $bus; then
        dbus-daemon --session --fork --nopidfile --print-address=3 --print-pid=4 \
            3>"$workdir/bus-address" 4>"$workdir/bus-pid" </dev/null >"$workdir/bus.log" 2>&1 9>&-
        started+=("$(head -n1 "$workdir/bus-pid")")
        export DBUS_SESSION_BUS_ADDRESS
        DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$workdir/bus-address")
    fi

    if [[ $wm != none ]]; then
        local -a wm_cmd=(openbox --sm-disable)
        [[ $wm == openbox ]] || wm_cmd=(xfwm4 --compositor=off --sm-client-disable)
        "${wm_cmd[@]}" </dev/null >"$workdir/wm.log" 2>&1 9>&- &
        wm_pid=$!
        started+=("$wm_pid")
        qd_wait_until "$wm to manage the screen (_NET_SUPPORTING_WM_CHECK)" wm_ready
    fi

    emit DISPLAY "$DISPLAY"
    # Newest first, so stop ends the window manager and the bus before the X server.
    local pids="" pid
    for pid in "${started[@]}"; do pids="$pid${pids:+ $pids}"; done
    emit QUENDA_VD_PIDS "$pids"
    if $bus; then emit DBUS_SESSION_BUS_ADDRESS "$DBUS_SESSION_BUS_ADDRESS"; fi
    started=()
}

display_written() {
    qd_alive "$xvfb_pid" || qd_die "Xvfb exited: $(tail -n5 "$workdir/xvfb.log")"
    grep -qx '[0-9][0-9]*' "$workdir/display"
}

wm_ready() {
    qd_alive "$wm_pid" || qd_die "the window manager exited: $(tail -n5 "$workdir/wm.log")"
    qd_wm_ready
}

# On any failure, end what this run started: never leave an Xvfb behind.
on_exit() {
    local status=$?
    if ((${#started[@]})); then
        local -a newest_first=()
        local pid
        for pid in "${started[@]}"; do newest_first=("$pid" "${newest_first[@]}"); done
        stop_pids "${newest_first[@]}"
    fi
    [[ -z ${workdir:-} ]] || rm -rf "$workdir"
    exit "$status"
}

stop() {
    (($# == 0)) || usage
    [[ -n ${QUENDA_VD_PIDS:-} ]] || qd_die "QUENDA_VD_PIDS is not set; nothing to stop"
    local -a pids
    read -r -a pids <<<"$QUENDA_VD_PIDS"
    stop_pids "${pids[@]}"
}

case ${1:-} in
    start) shift; start "$@" ;;
    stop) shift; stop "$@" ;;
    *) usage ;;
esac

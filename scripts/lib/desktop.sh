# Helpers shared by the virtual-desktop launcher, the demo and the end-to-end tests.
# Source it; it defines functions only. Every wait polls a condition until a deadline,
# because the shared CI machine can be slow and a fixed sleep either flakes or wastes time.
# shellcheck shell=bash

# Seconds a single wait may take before it is a failure. Generous on purpose: a 2-core
# machine running ctest -j2 can take several seconds to map a window.
QD_DEADLINE=${QD_DEADLINE:-30}

qd_die() {
    printf '%s: %s\n' "${0##*/}" "$*" >&2
    exit 1
}

# qd_wait_until DESCRIPTION COMMAND [ARGS...]
# Runs COMMAND every 50 ms until it succeeds; fails with DESCRIPTION after QD_DEADLINE s.
qd_wait_until() {
    local what=$1
    shift
    local end=$((SECONDS + QD_DEADLINE))
    until "$@"; do
        if ((SECONDS >= end)); then
            printf '%s: timed out after %ss waiting for %s\n' "${0##*/}" "$QD_DEADLINE" "$what" >&2
            return 1
        fi
        sleep 0.05
    done
}

# True while PID names a live process. A zombie counts as gone: in a container the
# reaper may be slow or missing, and a zombie holds no display or socket.
qd_alive() {
    local state
    state=$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null) || return 1
    [[ -n $state && $state != Z && $state != X ]]
}

# qd_root_window_prop PROPERTY: the root window's PROPERTY value text, empty when unset.
qd_root_prop() {
    local line
    line=$(xprop -root "$1" 2>/dev/null) || return 1
    case $line in
        *'not found'* | *'no such atom'*) return 1 ;;
    esac
    printf '%s\n' "${line#*[=#] }"
}

# True when an EWMH window manager runs: the root names a check window that names itself.
qd_wm_ready() {
    local check self
    check=$(qd_root_prop _NET_SUPPORTING_WM_CHECK) || return 1
    check=${check##* }
    self=$(xprop -id "$check" _NET_SUPPORTING_WM_CHECK 2>/dev/null) || return 1
    [[ ${self##* } == "$check" ]] && qd_root_prop _NET_SUPPORTED >/dev/null
}

# qd_client_ids: the managed client windows, bottom to top (_NET_CLIENT_LIST_STACKING, else
# _NET_CLIENT_LIST in mapping order).
qd_client_ids() {
    local list
    # xfwm4 4.16 on a fresh Xvfb publishes no stacking list at first.
    list=$(qd_root_prop _NET_CLIENT_LIST_STACKING || qd_root_prop _NET_CLIENT_LIST) || return 0
    local -a ids
    read -r -a ids <<<"${list//,/ }"
    ((${#ids[@]} == 0)) || printf '%s\n' "${ids[@]}"
}

# qd_window_title ID: the window's title (_NET_WM_NAME, else WM_NAME), unquoted.
qd_window_title() {
    local line
    line=$(xprop -id "$1" _NET_WM_NAME WM_NAME 2>/dev/null) || return 1
    line=$(grep -m1 ' = "' <<<"$line") || return 1
    line=${line#*= \"}
    printf '%s\n' "${line%\"}"
}

# qd_find_window TITLE: prints the id of the managed window titled TITLE; fails if none.
qd_find_window() {
    local id
    for id in $(qd_client_ids); do
        if [[ $(qd_window_title "$id") == "$1" ]]; then
            printf '%s\n' "$id"
            return 0
        fi
    done
    return 1
}

# True when the window manager has framed window ID and it is on screen.
qd_window_framed() {
    xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | grep -q ' = ' &&
        xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'
}

# True once the xterm started last is a managed window; gives up at once if it died.
qd_xterm_listed() {
    qd_alive "$QD_XTERM_PID" || qd_die "xterm \"$1\" exited before its window appeared"
    qd_find_window "$1" >/dev/null
}

# qd_open_xterm TITLE GEOMETRY [XTERM ARGS...]
# Starts an xterm that keeps TITLE (it runs cat, not a shell whose prompt would retitle it),
# waits until the window manager has framed it, and sets QD_XTERM_PID and QD_XTERM_ID.
qd_open_xterm() {
    local title=$1 geometry=$2
    shift 2
    xterm -T "$title" -n "$title" -geometry "$geometry" "$@" -e cat </dev/null >/dev/null 2>&1 &
    # shellcheck disable=SC2034 # read by the caller
    QD_XTERM_PID=$!
    qd_wait_until "xterm \"$title\" to be mapped" qd_xterm_listed "$title" || return 1
    QD_XTERM_ID=$(qd_find_window "$title")
    qd_wait_until "xterm \"$title\" to be framed" qd_window_framed "$QD_XTERM_ID"
}

# qd_drag X1 Y1 X2 Y2: the first button pressed at one point, moved in steps and released at
# the other. The steps are paced: each XDND position message waits for the target's status
# before the source sends the next, and a motion that outruns them is merged away.
qd_drag() {
    local x1=$1 y1=$2 x2=$3 y2=$4 i
    xdotool mousemove --sync "$x1" "$y1"
    xdotool mousedown 1
    for i in $(seq 1 24); do
        xdotool mousemove --sync $((x1 + (x2 - x1) * i / 24)) $((y1 + (y2 - y1) * i / 24))
        sleep 0.04 # pacing of the motion, not a wait for a result
    done
    for i in 1 2 3 4; do
        xdotool mousemove --sync $((x2 + i % 2)) "$y2"
        sleep 0.04
    done
    xdotool mouseup 1
}

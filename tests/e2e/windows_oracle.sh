#!/usr/bin/env bash
# End-to-end: `quenda windows` against tools we did not write (x11_oracle.py reads xprop,
# xwininfo and xrandr), on private Xvfb desktops with openbox, and its failures without X.
#   windows_oracle.sh QUENDA_BINARY SCRIPTS_DIR
set -euo pipefail

quenda=${1:?usage: windows_oracle.sh QUENDA_BINARY SCRIPTS_DIR}
scripts=${2:?usage: windows_oracle.sh QUENDA_BINARY SCRIPTS_DIR}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=scripts/lib/desktop.sh
source "$scripts/lib/desktop.sh"

tmp=$(mktemp -d "${TMPDIR:-/tmp}/quenda-e2e.XXXXXX")
# Keep the user's settings and the caller's session out of the test.
export HOME=$tmp XDG_CONFIG_HOME=$tmp/config XDG_DATA_HOME=$tmp/data
unset DBUS_SESSION_BUS_ADDRESS

stop_desktop() {
    if [[ -n ${QUENDA_VD_PIDS:-} ]]; then "$scripts/virtual-desktop.sh" stop || true; fi
    unset QUENDA_VD_PIDS DISPLAY
}
trap 'stop_desktop; rm -rf "$tmp"' EXIT

failures=0
fail() {
    printf 'FAIL %s\n' "$*" >&2
    failures=$((failures + 1))
}

# run_quenda ARGS...: runs the binary with a deadline; sets status, out, err.
run_quenda() {
    status=0
    timeout 60 "$quenda" "$@" >"$tmp/out" 2>"$tmp/err" || status=$?
    out=$(cat "$tmp/out") err=$(cat "$tmp/err")
}

window_hidden() { xprop -id "$1" _NET_WM_STATE | grep -q _NET_WM_STATE_HIDDEN; }
window_on_desktop() { [[ $(xprop -id "$1" _NET_WM_DESKTOP) == *" = $2" ]]; }
window_on_top() { [[ $(qd_client_ids | tail -n1) == "$1" ]]; }

# ---------------------------------------------------------------------------------------
# The listing, on each desktop layout. The second layout puts the primary monitor at
# +300+0 with another monitor to its left, so frames there have negative x.
#   name | monitor spec ("" = one 1600x1000 monitor)
layouts=(
    "one-monitor|"
    "primary-not-at-origin|800x600+300+0,300x600+0+0"
)
# Windows opened on each: title | geometry. Small, so they fit the smallest layout.
windows=(
    "Quenda e2e alpha|40x10+20+40"
    "Quenda e2e beta|40x10+420+200"
    "Quenda e2e gamma|50x12+640+330"
    "Quenda e2e minimised|40x10+100+300"
    "Quenda e2e elsewhere|40x10+500+60"
)
# Front to back once alpha is raised and the last two are hidden and on desktop 2.
expected_titles='["Quenda e2e alpha", "Quenda e2e gamma", "Quenda e2e beta"]'

check_listing() {
    local layout=$1 spec=$2
    local -a args=(start)
    [[ -z $spec ]] || args+=(--monitors "$spec")
    eval "$("$scripts/virtual-desktop.sh" "${args[@]}")"

    local entry title geometry pids_file=$tmp/pids
    local -A ids=()
    : >"$pids_file"
    for entry in "${windows[@]}"; do
        title=${entry%%|*} geometry=${entry#*|}
        qd_open_xterm "$title" "$geometry"
        ids[$title]=$QD_XTERM_ID
        printf '%s\t%s\n' "$title" "$QD_XTERM_PID" >>"$pids_file"
    done
    # Stacking order that differs from the order of creation, one minimised window and
    # one on another desktop: all three are in _NET_CLIENT_LIST_STACKING.
    xdotool windowminimize "${ids[Quenda e2e minimised]}"
    qd_wait_until "the window to be minimised" window_hidden "${ids[Quenda e2e minimised]}"
    wmctrl -i -r "${ids[Quenda e2e elsewhere]}" -t 1
    qd_wait_until "the window to move to desktop 2" \
        window_on_desktop "${ids[Quenda e2e elsewhere]}" 1
    wmctrl -i -a "${ids[Quenda e2e alpha]}"
    qd_wait_until "alpha to be raised" window_on_top "${ids[Quenda e2e alpha]}"

    python3 "$here/x11_oracle.py" >"$tmp/oracle.json"
    run_quenda windows --json
    if ((status != 0)); then
        fail "$layout: quenda windows --json exited $status: $err"
    else
        printf '%s\n' "$out" >"$tmp/quenda.json"
        python3 - "$layout" "$tmp/oracle.json" "$tmp/quenda.json" "$pids_file" \
            "$expected_titles" <<'PY' || failures=$((failures + 1))
import json, sys
layout, oracle_path, quenda_path, pids_path, expected = sys.argv[1:]
oracle = json.load(open(oracle_path))
try:
    listed = json.load(open(quenda_path))
except ValueError as e:
    sys.exit(f"FAIL {layout}: quenda windows --json printed no JSON ({e})")
pids = dict(line.rstrip("\n").split("\t") for line in open(pids_path))
problems = []
# The oracle must see the scene we built, or the comparison below proves nothing.
if [w["title"] for w in oracle] != json.loads(expected):
    problems.append(f"oracle sees {[w['title'] for w in oracle]}, the setup went wrong")
want = [(w["title"], w["frame"]) for w in oracle]
got = [(w.get("title"), w.get("frame")) for w in listed]
if got != want:
    problems.append("front-to-back titles and frames differ\n  oracle: "
                    f"{want}\n  quenda: {got}")
for w in listed:
    if set(w) != {"pid", "app", "title", "frame"}:
        problems.append(f"{w.get('title')}: keys are {sorted(w)}")
    if str(w.get("pid")) != pids.get(w.get("title"), "?"):
        problems.append(f"{w.get('title')}: pid {w.get('pid')}, "
                        f"started as {pids.get(w.get('title'))}")
    if "xterm" not in str(w.get("app", "")).lower():
        problems.append(f"{w.get('title')}: app is {w.get('app')!r}, not xterm's")
for p in problems:
    print(f"FAIL {layout}: {p}", file=sys.stderr)
sys.exit(1 if problems else 0)
PY
    fi

    # The plain listing shows the same windows in the same order.
    run_quenda windows
    local shown
    shown=$(grep -o 'Quenda e2e [a-z]*' <<<"$out" | paste -sd, -) || true
    if ((status != 0)) || [[ $shown != "Quenda e2e alpha,Quenda e2e gamma,Quenda e2e beta" ]]; then
        fail "$layout: quenda windows exited $status and listed \"$shown\""
    fi
    stop_desktop
}

for entry in "${layouts[@]}"; do
    check_listing "${entry%%|*}" "${entry#*|}"
done

# ---------------------------------------------------------------------------------------
# Without a usable desktop: a non-zero exit and exactly one line on stderr saying why.
#   name | how to set it up | exit status wanted ("nonzero" = any but 0) | stderr must match
failure_cases=(
    "DISPLAY empty|display_empty|1|display"
    "DISPLAY unset|display_unset|1|display"
    "no such display|display_refused|nonzero|display"
    "no window manager|desktop_without_wm|nonzero|window manager"
)
display_empty() { export DISPLAY=; }
display_unset() { unset DISPLAY; }
display_refused() { export DISPLAY=:99999; }
desktop_without_wm() { eval "$("$scripts/virtual-desktop.sh" start --wm none)"; }

for entry in "${failure_cases[@]}"; do
    IFS='|' read -r name setup want pattern <<<"$entry"
    "$setup"
    run_quenda windows
    stop_desktop
    if [[ $want == nonzero ]] && ((status == 0)) || [[ $want != nonzero && $status != "$want" ]]; then
        fail "$name: exit status $status, wanted $want"
    fi
    if [[ $(grep -c . <<<"$err") != 1 ]] || ! grep -qi "$pattern" <<<"$err"; then
        fail "$name: stderr should be one line mentioning \"$pattern\", was: $err"
    fi
    [[ -z $out ]] || fail "$name: printed on stdout: $out"
done

if ((failures)); then
    echo "windows_oracle: $failures failure(s)" >&2
    exit 1
fi
echo "windows_oracle: all checks passed"

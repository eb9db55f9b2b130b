#!/usr/bin/env python3
"""The window list as tools we did not write see it, for the end-to-end tests.

Prints a JSON array, front to back, of the normal visible client windows of the
current X display: {"id", "title", "pid", "frame": [x, y, w, h]}. The frame is the
outer frame: the client's absolute position from xwininfo grown by _NET_FRAME_EXTENTS
from xprop, shifted so the primary RandR monitor's top-left is the origin.
Debian 12's `xdotool getwindowgeometry` and `wmctrl -lG` count the frame offset twice,
so they are not used.
"""
import json
import re
import subprocess
import sys


def run(*args):
    return subprocess.run(args, check=True, capture_output=True, text=True).stdout


def prop(window, name):
    """The text after '=' or '#' of one xprop property, or None when it is not set."""
    target = ["-root"] if window is None else ["-id", window]
    out = run("xprop", *target, name).strip()
    m = re.match(r"^[^(:]+(?:\([^)]*\))?(?: =|:\s+window id #)\s*(.*)$", out, re.S)
    return m.group(1).strip() if m else None


def numbers(text):
    return [int(v, 0) for v in re.split(r"[,\s]+", text) if v]


def primary_origin():
    """Top-left of the primary monitor (marked '*'), else of the first one listed."""
    monitors = []
    for line in run("xrandr", "--listmonitors").splitlines()[1:]:
        m = re.match(r"\s*\d+:\s+([+*]*)\S+\s+\d+/\d+x\d+/\d+\+(-?\d+)\+(-?\d+)", line)
        if m:
            monitors.append(("*" in m.group(1), int(m.group(2)), int(m.group(3))))
    if not monitors:
        sys.exit("x11_oracle: xrandr lists no monitors")
    primary = next((mon for mon in monitors if mon[0]), monitors[0])
    return primary[1], primary[2]


def xwininfo(window):
    out = run("xwininfo", "-id", window)
    field = lambda name: re.search(rf"^\s*{name}:\s*(\S+)", out, re.M).group(1)
    return {
        "x": int(field("Absolute upper-left X")),
        "y": int(field("Absolute upper-left Y")),
        "w": int(field("Width")),
        "h": int(field("Height")),
        "viewable": field("Map State") == "IsViewable",
    }


def is_normal_and_visible(window, current_desktop):
    kind = prop(window, "_NET_WM_WINDOW_TYPE")
    if kind is None:
        # EWMH: no type means normal, or dialog when the window is transient.
        if prop(window, "WM_TRANSIENT_FOR") is not None:
            return False
    elif kind.split(",")[0].strip() != "_NET_WM_WINDOW_TYPE_NORMAL":
        return False
    if "_NET_WM_STATE_HIDDEN" in (prop(window, "_NET_WM_STATE") or ""):
        return False
    desktop = prop(window, "_NET_WM_DESKTOP")
    if desktop is not None and numbers(desktop)[0] not in (current_desktop, 0xFFFFFFFF):
        return False
    return xwininfo(window)["viewable"]


def title(window):
    text = prop(window, "_NET_WM_NAME") or prop(window, "WM_NAME") or '""'
    return json.loads(text)  # xprop quotes and escapes like JSON for plain titles


def main():
    # xfwm4 4.16 on a fresh Xvfb publishes no stacking list at first: then mapping order.
    stacking = (prop(None, "_NET_CLIENT_LIST_STACKING")
                or prop(None, "_NET_CLIENT_LIST") or "")
    current = numbers(prop(None, "_NET_CURRENT_DESKTOP") or "0")[0]
    ox, oy = primary_origin()
    windows = []
    for window in reversed(re.findall(r"0x[0-9a-fA-F]+", stacking)):
        if not is_normal_and_visible(window, current):
            continue
        left, right, top, bottom = numbers(prop(window, "_NET_FRAME_EXTENTS") or "0,0,0,0")
        g = xwininfo(window)
        pid = prop(window, "_NET_WM_PID")
        windows.append({
            "id": window,
            "title": title(window),
            "pid": numbers(pid)[0] if pid else None,
            "frame": [g["x"] - left - ox, g["y"] - top - oy,
                      g["w"] + left + right, g["h"] + top + bottom],
        })
    json.dump(windows, sys.stdout, indent=1)
    print()


if __name__ == "__main__":
    main()

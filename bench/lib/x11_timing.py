#!/usr/bin/env python3
"""Timed rounds for bench/switch_restore_timing.sh, on a desktop that script has set up.

Each round starts a clock, runs one `quenda action ID` and stops the clock at the first
moment the X server reports the expected end state: frames from ConfigureNotify events of
the window manager's frame windows (`xev -root -event substructure`) and the active window
from `xprop -root -spy _NET_ACTIVE_WINDOW`. Both are tools we did not write, and both
report changes as they happen, so no poll interval blurs the figure (on a busy 2-core
machine one xwininfo or xprop run takes 20-50 ms, as long as a poll period would be).
After each round, untimed, the end state is checked again with tests/e2e/x11_oracle.py
(xwininfo + _NET_FRAME_EXTENTS) and xprop, so a round can only count if the oracle agrees.

  x11_timing.py commands QUENDA ROUNDS
  x11_timing.py groups QUENDA ROUNDS A1 A2 A3 A4 B1 B2 B3 B4   (ids, front to back)
  x11_timing.py restore QUENDA ROUNDS SLOT W1 ... Wn            (ids, front to back as saved)

Prints one plain line per measurement: median, min and max in milliseconds.
"""
import json
import os
import re
import signal
import statistics
import subprocess
import sys
import threading
import time

DEADLINE = float(os.environ.get("QD_DEADLINE", "30"))
ORACLE = os.path.join(os.path.dirname(os.path.abspath(__file__)),
                      "..", "..", "tests", "e2e", "x11_oracle.py")
PING = "_QUENDA_BENCH_PING"
# A frame window that has not moved for this long has settled (xterm snaps its size to
# its character grid after the window manager's first configure, so one event is not
# always the last).
QUIET = 0.15


def die(message):
    sys.exit(f"x11_timing: {message}")


def run(*args):
    return subprocess.run(args, check=True, capture_output=True, text=True).stdout


def wid(text):
    return int(text, 16) if text.lower().startswith("0x") else int(text)


def hexid(window):
    return f"0x{window:x}"


def frame_window(client):
    """The window manager's frame: the client's parent, a child of the root."""
    out = run("xwininfo", "-children", "-id", hexid(client))
    return int(re.search(r"Parent window id: (0x[0-9a-fA-F]+)", out).group(1), 16)


def geometry(window):
    out = run("xwininfo", "-id", hexid(window))
    field = lambda name: int(re.search(rf"^\s*{name}:\s*(-?\d+)", out, re.M).group(1))
    return (field("Absolute upper-left X"), field("Absolute upper-left Y"),
            field("Width"), field("Height"))


def oracle_frames():
    """{client id: (x, y, w, h)} of the visible windows, as x11_oracle.py reports them."""
    listing = json.loads(run(sys.executable, ORACLE))
    return {int(w["id"], 16): tuple(w["frame"]) for w in listing}


def root_windows(name):
    out = run("xprop", "-root", name)
    return [int(v, 16) for v in re.findall(r"0x[0-9a-fA-F]+", out.split("#", 1)[-1])]


def near(a, b, slack):
    return a is not None and all(abs(p - q) <= slack for p, q in zip(a, b))


class Desk:
    """Frame geometry and the active window, updated as the X server reports changes."""

    def __init__(self, clients):
        self.frame_of = {c: frame_window(c) for c in clients}
        self.client_of = {f: c for c, f in self.frame_of.items()}
        self.cv = threading.Condition()
        self.geom = {}
        self.active = None
        self.active_reports = 0
        self.pings = 0
        self.last_move = time.monotonic()
        self.predicate = None
        self.done_at = None
        self.procs = []
        self._spawn(["xev", "-root", "-event", "substructure", "-event", "property"],
                    self._xev)
        self._spawn(["xprop", "-root", "-spy", "_NET_ACTIVE_WINDOW"], self._spy)
        self.sync()
        with self.cv:
            if not self.cv.wait_for(lambda: self.active is not None, DEADLINE):
                die("xprop -spy reported no active window")
        # Read after xev listens: a later move cannot be lost, an earlier one is in the read.
        for client, frame in self.frame_of.items():
            g = geometry(frame)
            with self.cv:
                self.geom[client] = g
        # The frame window is the outer frame the oracle reports; refuse to measure if not.
        seen = oracle_frames()
        for client in clients:
            if seen.get(client) != self.geom[client]:
                die(f"frame of {hexid(client)}: frame window {self.geom[client]},"
                    f" oracle {seen.get(client)}")

    def _spawn(self, argv, reader):
        # Line-buffered, so each event reaches us when it happens.
        proc = subprocess.Popen(["stdbuf", "-oL", *argv], stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL, text=True)
        self.procs.append(proc)
        threading.Thread(target=reader, args=(proc.stdout,), daemon=True).start()

    def close(self):
        for proc in self.procs:
            proc.terminate()
        for proc in self.procs:
            try:
                proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                proc.kill()

    def _changed(self, stamp):
        if self.predicate is not None and self.done_at is None and \
                self.predicate(self.geom, self.active):
            self.done_at = stamp
        self.cv.notify_all()

    def _xev(self, stream):
        configure = re.compile(r"^\s+event 0x[0-9a-f]+, window (0x[0-9a-f]+), "
                               r"\((-?\d+),(-?\d+)\), width (\d+), height (\d+)")
        for line in stream:
            stamp = time.monotonic()
            m = configure.match(line)
            if m:
                client = self.client_of.get(int(m.group(1), 16))
                if client is None:
                    continue
                with self.cv:
                    self.geom[client] = tuple(int(m.group(i)) for i in range(2, 6))
                    self.last_move = stamp
                    self._changed(stamp)
            elif f"({PING})" in line:
                with self.cv:
                    self.pings += 1
                    self.cv.notify_all()

    def _spy(self, stream):
        for line in stream:
            stamp = time.monotonic()
            m = re.search(r"window id # (0x[0-9a-fA-F]+)", line)
            with self.cv:
                self.active = int(m.group(1), 16) if m else 0
                self.active_reports += 1
                self._changed(stamp)

    def sync(self):
        """Returns once xev has reported every event sent before this call. The property
        is set again until xev reports it: a new xev may not have selected events yet."""
        with self.cv:
            want = self.pings + 1
        end = time.monotonic() + DEADLINE
        while True:
            run("xprop", "-root", "-f", PING, "32c", "-set", PING, str(want))
            with self.cv:
                if self.cv.wait_for(lambda: self.pings >= want, 0.2):
                    return
            if time.monotonic() > end:
                die("xev reported no property change")

    def arm(self, predicate):
        """Watches for PREDICATE(geom, active); True if it holds already."""
        with self.cv:
            self.predicate, self.done_at = predicate, None
            self._changed(time.monotonic())
            return self.done_at is not None

    def wait_armed(self, what):
        with self.cv:
            if not self.cv.wait_for(lambda: self.done_at is not None, DEADLINE):
                die(f"timed out after {DEADLINE:.0f} s waiting for {what};"
                    f" frames {self.described()}, active {hexid(self.active or 0)}")
            self.predicate = None
            return self.done_at

    def wait_for(self, what, predicate):
        self.arm(predicate)
        self.wait_armed(what)

    def settle(self, what):
        """Waits until no tracked frame has moved for QUIET seconds."""
        self.sync()
        end = time.monotonic() + DEADLINE
        while True:
            with self.cv:
                idle = time.monotonic() - self.last_move
            if idle >= QUIET:
                return
            if time.monotonic() > end:
                die(f"timed out waiting for {what} to settle")
            time.sleep(QUIET - idle)

    def described(self):
        return " ".join(f"{hexid(c)}={list(g)}" for c, g in sorted(self.geom.items()))


def timed(desk, argv, predicate, what):
    """(ms until PREDICATE held, ms until the command returned), both from its start."""
    if desk.arm(predicate):
        die(f"{what} already held before the command")
    returned = []
    t0 = time.monotonic()
    proc = subprocess.Popen(argv, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)

    def reap():
        proc.wait()
        returned.append(time.monotonic())

    reaper = threading.Thread(target=reap, daemon=True)
    reaper.start()
    done = desk.wait_armed(what)
    reaper.join(DEADLINE)
    if not returned:
        proc.kill()
        die(f"{' '.join(argv)} did not return")
    if proc.returncode != 0:
        die(f"{' '.join(argv)} exited {proc.returncode}: {proc.stderr.read().strip()}")
    return (done - t0) * 1000, (returned[0] - t0) * 1000


def report(label, values):
    print(f"{label}: median {statistics.median(values):.0f} ms, min {min(values):.0f} ms,"
          f" max {max(values):.0f} ms ({len(values)} rounds)", flush=True)


def move(window, frame):
    # wmctrl only moves (its geometry read-back is wrong on Debian 12; never used here).
    x, y, w, h = frame
    run("wmctrl", "-i", "-r", hexid(window), "-e", f"0,{x},{y},{w},{h}")


def scatter(desk, frames, what):
    """Moves each window to its frame and waits until every one is there and still."""
    for window, frame in frames.items():
        move(window, frame)
    desk.wait_for(what, lambda geom, _: all(geom[w][:2] == f[:2] for w, f in frames.items()))
    desk.settle(what)


def action(quenda, name):
    return [quenda, "action", name]


# ---------------------------------------------------------------------------------------
def commands(quenda, rounds):
    """Context: the binary's start-up alone, and a command the instance only answers."""
    for label, argv in (("start-up: quenda --version", [quenda, "--version"]),
                        ("no-op over the bus: quenda action bridge.mark (returns)",
                         action(quenda, "bridge.mark"))):
        values = []
        for _ in range(rounds):
            t0 = time.monotonic()
            subprocess.run(argv, check=True, capture_output=True, timeout=DEADLINE)
            values.append((time.monotonic() - t0) * 1000)
        report(label, values)


def groups(quenda, rounds, ids):
    a, b = ids[:4], ids[4:]
    desk = Desk(ids)
    try:
        def shown(group):
            return lambda geom, active: active == group[0]

        # Warm-up, untimed: show A, then B, then A, learning each window's tiled frame.
        # A's first window is already active and on top, so groups.auto is over once A's
        # windows have their tiles: half the 1600-wide desk each, far wider than they open.
        run(*action(quenda, "groups.auto"))
        desk.wait_for("groups.auto to show the first group",
                      lambda geom, active: active == a[0] and
                      all(w in geom and geom[w][2] > 700 for w in a))
        desk.settle("the first group")
        run(*action(quenda, "groups.next"))
        desk.wait_for("groups.next to show the second group", shown(b))
        desk.settle("the second group")
        run(*action(quenda, "groups.prev"))
        desk.wait_for("groups.prev to show the first group again", shown(a))
        desk.settle("the first group")
        with desk.cv:
            tiles = dict(desk.geom)
        print("tiled frames: " + " ".join(f"{list(tiles[w])}" for w in a), flush=True)
        if len({tiles[w] for w in ids}) != 4 or any(tiles[x] != tiles[y] for x, y in zip(a, b)):
            die(f"the two groups are not tiled alike: {desk.described()}")

        def done(group):
            return lambda geom, active: active == group[0] and \
                all(geom[w] == tiles[w] for w in group)

        def verify(group, what):
            seen = oracle_frames()
            stack = root_windows("_NET_CLIENT_LIST_STACKING")[::-1]
            active = root_windows("_NET_ACTIVE_WINDOW")
            if any(seen.get(w) != tiles[w] for w in group) or stack[:4] != group or \
                    active != group[:1]:
                die(f"{what}: the oracle disagrees: frames {[seen.get(w) for w in group]},"
                    f" stacking from the top {[hexid(w) for w in stack]},"
                    f" active {[hexid(w) for w in active]}")

        for spread in (True, False):
            to_final, returned = [], []
            for r in range(rounds):
                name, group = ("groups.next", b) if r % 2 == 0 else ("groups.prev", a)
                if spread:
                    # Away from the tiles, so the switch really moves and resizes them.
                    scatter(desk, {w: (150 + 60 * i, 120 + 50 * i, 420, 260)
                                   for i, w in enumerate(group)}, "the next group to scatter")
                else:
                    desk.settle("the desktop")
                what = f"{name} (round {r + 1}) to tile and raise its group"
                ms, ret = timed(desk, action(quenda, name), done(group), what)
                verify(group, what)
                to_final.append(ms)
                returned.append(ret)
            how = "windows scattered before" if spread else "windows already in their tiles"
            report(f"group switch of 4 ({how}): command to last frame + first active",
                   to_final)
            report(f"group switch of 4 ({how}): command returned", returned)
    finally:
        desk.close()


def restore(quenda, rounds, slot, ids):
    desk = Desk(ids)
    try:
        with desk.cv:
            saved = {w: desk.geom[w] for w in ids}
        front, back = ids[0], ids[-1]
        away = {w: (260 + 70 * i, 180 + 55 * i, 380, 240) for i, w in enumerate(ids)}
        for w in ids:
            if near(away[w], saved[w], 40):
                die(f"the scattered frame of {hexid(w)} is too close to its saved frame")

        def done(geom, active):
            return active == front and all(near(geom[w], saved[w], 2) for w in ids)

        to_final, returned = [], []
        for r in range(rounds):
            scatter(desk, away, "the windows to scatter")
            # Another window in front, so the restore has to bring the saved front back.
            run("xdotool", "windowactivate", "--sync", hexid(back))
            desk.wait_for("the backmost window to be active", lambda _, active: active == back)
            desk.settle("the desktop")
            what = f"ws.restore.{slot} (round {r + 1}) to put every window back"
            ms, ret = timed(desk, action(quenda, f"ws.restore.{slot}"), done, what)
            seen = oracle_frames()
            if not all(near(seen.get(w), saved[w], 2) for w in ids) or \
                    root_windows("_NET_ACTIVE_WINDOW") != [front]:
                die(f"{what}: the oracle disagrees: {[seen.get(w) for w in ids]}"
                    f" saved {[saved[w] for w in ids]}")
            to_final.append(ms)
            returned.append(ret)
        report(f"workspace restore of {len(ids)}: command to last frame + front active",
               to_final)
        report(f"workspace restore of {len(ids)}: command returned", returned)
    finally:
        desk.close()


def main():
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    args = sys.argv[1:]
    if len(args) < 3:
        die(__doc__)
    kind, quenda, rounds = args[0], args[1], int(args[2])
    if rounds < 1:
        die("ROUNDS must be at least 1")
    if kind == "commands" and len(args) == 3:
        commands(quenda, rounds)
    elif kind == "groups" and len(args) == 11:
        groups(quenda, rounds, [wid(v) for v in args[3:]])
    elif kind == "restore" and len(args) > 5:
        restore(quenda, rounds, int(args[3]), [wid(v) for v in args[4:]])
    else:
        die(__doc__)


if __name__ == "__main__":
    main()

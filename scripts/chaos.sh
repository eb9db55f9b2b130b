#!/usr/bin/env bash
# The chaos run: a quenda (the sanitizer build, for choice) on a private Xvfb + openbox with a
# session bus, while a driver sends random commands (every action identifier through
# `quenda action`, `quenda config set` of random and hostile values, the default shortcuts
# typed with xdotool) and misbehaving X clients (tests/support/chaos_client.cpp) open,
# close, minimise, resize and retitle windows, set contradictory size hints and die.
# It counts the commands, Quenda's crashes (it is started again after each), sanitizer
# reports and X errors on its stderr, commands that took more than 5 s to answer, and
# Quenda's resident memory at the start and at the end. Exits 1 when any of those went wrong.
#   scripts/chaos.sh QUENDA_BINARY CHAOS_CLIENT [COMMANDS] [SEED]
# For example, after `scripts/test.sh --asan` built build-asan/:
#   scripts/chaos.sh build-asan/main/quenda build-asan/tests/support/quenda-test-chaos-client 10000
# QUENDA_CLI names the program that sends the commands (by default QUENDA_BINARY itself); a
# release build there keeps a sanitizer run from spending its time starting sanitizer clients.
set -euo pipefail

usage="usage: chaos.sh QUENDA_BINARY CHAOS_CLIENT [COMMANDS] [SEED]"
quenda=${1:?$usage}
client=${2:?$usage}
commands=${3:-1000}
seed=${4:-$RANDOM}
quenda=$(cd "$(dirname "$quenda")" && pwd)/$(basename "$quenda")
client=$(cd "$(dirname "$client")" && pwd)/$(basename "$client")
cli=${QUENDA_CLI:-$quenda}

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
scripts=$root/scripts
# shellcheck source=scripts/lib/desktop.sh
source "$scripts/lib/desktop.sh"
# shellcheck source=tests/e2e/lib/session.sh
source "$root/tests/e2e/lib/session.sh"
trap 'exit 130' INT TERM

eval "$("$scripts/virtual-desktop.sh" start --bus)"
# A small quarantine, so that the resident memory says what Quenda holds rather than what
# the sanitizer keeps of freed blocks.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:quarantine_size_mb=16:log_path=$tmp/asan}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:log_path=$tmp/ubsan}
export QT_QPA_PLATFORM=xcb

python3 - "$quenda" "$client" "$commands" "$seed" "$tmp" "$cli" <<'EOF'
import json, os, random, re, shutil, signal, subprocess, sys, time

quenda, client, commands, seed, tmp, cli = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), sys.argv[5], sys.argv[6]
rng = random.Random(seed)
err_path = os.path.join(tmp, "quenda.err")
err = open(err_path, "ab")

def start():
    p = subprocess.Popen([quenda], stdout=subprocess.DEVNULL, stderr=err)
    deadline = time.monotonic() + 60
    while time.monotonic() < deadline:
        if subprocess.run([cli, "action", "win.center"], capture_output=True).returncode == 0:
            return p
        if p.poll() is not None:
            break
        time.sleep(0.1)
    sys.exit("chaos.sh: quenda did not start")

def memory_of(pid):
    """Resident memory in kB: all of it, and its anonymous part (the heap and what the
    process mapped for itself), its file-backed part (libraries, fonts) and its shared part
    (the X server's shared images behind Quenda's own windows)."""
    fields = {"VmRSS": -1, "RssAnon": -1, "RssFile": -1, "RssShmem": -1}
    try:
        for line in open(f"/proc/{pid}/status"):
            key = line.split(":")[0]
            if key in fields:
                fields[key] = int(line.split()[1])
    except OSError:
        pass
    return fields

def rss(pid):
    return memory_of(pid)["VmRSS"]

def live_heap(pid):
    """The kB Quenda has allocated and not yet freed, as AddressSanitizer counts them: what a
    leak makes grow, without the sanitizer's own bookkeeping (its quarantine, shadow memory
    and kept stack traces), which resident memory includes. Read with gdb, which stops the
    process for a moment; None for a build without the sanitizer, or without gdb."""
    if not shutil.which("gdb"):
        return None
    try:
        if "libasan" not in open(f"/proc/{pid}/maps").read():
            return None  # not a sanitizer build: no count to read, no reason to stop it
        out = subprocess.run(
            ["gdb", "-p", str(pid), "-batch", "-nx", "-iex", "set auto-solib-add off",
             "-ex", "sharedlibrary libasan",
             "-ex", "print (unsigned long) __sanitizer_get_current_allocated_bytes()"],
            capture_output=True, text=True, timeout=120).stdout
    except (OSError, subprocess.TimeoutExpired):
        return None
    found = re.search(r"^\$1 = (\d+)$", out, re.M)
    return int(found.group(1)) // 1024 if found else None

def cpu_ticks(pid):
    try:
        # The fields after the command name, which may hold spaces, start after its last ')'.
        fields = open(f"/proc/{pid}/stat").read().rsplit(")", 1)[1].split()
        return int(fields[11]) + int(fields[12])
    except (OSError, IndexError, ValueError):
        return None

def settle(pid, deadline=30):
    """Waits until the process has used no processor time for a second."""
    end = time.monotonic() + deadline
    while time.monotonic() < end:
        before = cpu_ticks(pid)
        time.sleep(1)  # the quiet period being checked for
        if before is None or cpu_ticks(pid) == before:
            return

def slope(values):
    """Least-squares growth per step of a series."""
    n = len(values)
    mean_x, mean_y = (n - 1) / 2, sum(values) / n
    var = sum((x - mean_x) ** 2 for x in range(n))
    return sum((x - mean_x) * (y - mean_y) for x, y in enumerate(values)) / var if var else 0.0

listing = subprocess.run([cli, "action", "nope"], capture_output=True, text=True).stderr
actions = [l.strip() for l in listing.splitlines()[1:] if l.strip()]
keys = ["gap", "stageManagerInset", "includeOtherScreens", "groupSize", "broadcastEnter",
        "relayReturn", "templateID", "terminalClasses", "cornerButtonMode", "cornerButtonPosition",
        "customHotKeys.v1", "workspace.1", "workspace.2", "workspace.3", "shelfFrame"]
values = ["0", "-1", "7", "1000000000", "1e308", "-1e308", "nan", "true", "false", "", "x" * 5000,
          "\u00f1and\u00fa", "{", "[]", "{\"win.left\":{\"keyCode\":999999,\"carbonModifiers\":-1}}",
          "[{\"bundleID\":\"x\",\"frame\":[1e300,-1e300,1e300,1e300]}]", "null", "none", "codigo"]
shortcuts = ["ctrl+alt+1", "ctrl+alt+2", "alt+shift+1", "alt+shift+2", "ctrl+alt+w", "ctrl+alt+f",
             "ctrl+alt+g", "ctrl+alt+b", "ctrl+comma"]

# Three misbehaving clients, each started again when it has died.
clients = [None, None, None]
spawned = 0
def keep_clients():
    global spawned
    for i, c in enumerate(clients):
        if c is None or c.poll() is not None:
            spawned += 1
            clients[i] = subprocess.Popen([client, str(seed * 1000 + spawned), "15"],
                                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

keep_clients()
q = start()
memory_start = rss(q.pid)
slow = []  # commands that took more than 2 s, for finding out why
# Every thousand commands: flat once the caches and the history are full. The anonymous part
# is the one that says whether Quenda piles things up; the shared part follows which of its
# windows happen to be open, and the file-backed part the fonts it has drawn with.
memory = []
done = crashes = hangs = 0
slowest = 0.0
while done < commands:
    kind = rng.random()
    if kind < 0.6:
        argv = [cli, "action", rng.choice(actions)]
    elif kind < 0.85:
        argv = [cli, "config", "set", rng.choice(keys), rng.choice(values)]
    else:
        argv = ["xdotool", "key", "--clearmodifiers", rng.choice(shortcuts)]
    begin = time.monotonic()
    try:
        subprocess.run(argv, capture_output=True, timeout=5)
    except subprocess.TimeoutExpired:
        hangs += 1
    took = time.monotonic() - begin
    slowest = max(slowest, took)
    if took > 2:
        slow.append(f"{took:5.2f} s  {' '.join(a[:40] for a in argv[1:])}")
    done += 1
    keep_clients()
    if done % 50 == 0:  # one client killed outright now and then
        rng.choice(clients).kill()
    if q.poll() is not None:
        crashes += 1
        q = start()
    if done % 1000 == 0:
        m = memory_of(q.pid)
        m["heap"] = live_heap(q.pid)
        memory.append(m)
        heap = f", {m['heap']} kB allocated" if m["heap"] is not None else ""
        print(f"chaos: {done} commands, {crashes} crashes, {hangs} over 5 s, memory "
              f"{m['VmRSS']} kB ({m['RssAnon']} anonymous, {m['RssShmem']} shared, "
              f"{m['RssFile']} file-backed){heap}", flush=True)
memory_end = rss(q.pid)
for c in clients:
    c.kill()
for c in clients:
    c.wait()
# Once the clients' windows are gone and Quenda is still, what it holds for itself.
settle(q.pid)
settled = memory_of(q.pid)
settled["heap"] = live_heap(q.pid)
q.send_signal(signal.SIGTERM)
try:
    q.wait(10)
except subprocess.TimeoutExpired:
    q.kill()
err.close()

text = open(err_path, "rb").read().decode("utf-8", "replace")
reports = len(re.findall(r"ERROR: AddressSanitizer|ERROR: LeakSanitizer|runtime error:", text))
for name in os.listdir(tmp):
    if name.startswith(("asan", "ubsan")):
        reports += open(os.path.join(tmp, name), errors="replace").read().count("ERROR")
x_errors = len(re.findall(r"X error|XCB error", text))
print(f"chaos (seed {seed}): {done} commands, {crashes} crashes, {reports} sanitizer reports, "
      f"{x_errors} X errors on stderr, {hangs} commands over 5 s (slowest {slowest:.2f} s), "
      f"memory {memory_start} kB at the start, {memory_end} kB at the end; {spawned} clients started")
if slow:
    print("commands that took more than 2 s:\n  " + "\n  ".join(slow))
if len(memory) >= 2:
    for key, name in (("VmRSS", "resident"), ("RssAnon", "anonymous"), ("RssShmem", "shared"),
                      ("RssFile", "file-backed")):
        print(f"{name} memory every thousand commands (kB): "
              f"{' '.join(str(m[key]) for m in memory)}")
    print(f"settled at the end, the clients gone (kB): {settled['VmRSS']} resident, "
          f"{settled['RssAnon']} anonymous, {settled['RssShmem']} shared, "
          f"{settled['RssFile']} file-backed")
    if settled["heap"] is not None:
        print(f"allocated every thousand commands (kB): "
              f"{' '.join(str(m['heap']) for m in memory)}; {settled['heap']} settled at the end")
if len(memory) >= 3:
    # The first thousand fills the caches; the trend after it is what a leak would show.
    for key, name in (("RssAnon", "anonymous memory"), ("heap", "allocated memory")):
        after = [m[key] for m in memory[1:] if m[key] is not None]
        if len(after) >= 2:
            print(f"{name} after the first thousand commands: {min(after)}-{max(after)} kB, "
                  f"trend {slope(after):+.0f} kB per thousand commands")
sys.exit(1 if crashes or reports or hangs else 0)
EOF

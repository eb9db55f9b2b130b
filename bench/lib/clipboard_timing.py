"""Times clipboard captures of a running Quenda: see bench/clipboard_capture.sh."""
import json
import os
import statistics
import subprocess
import sys
import time

pid, history, folder = int(sys.argv[1]), sys.argv[2], sys.argv[3]
tick = os.sysconf("SC_CLK_TCK")


def cpu_seconds():
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / tick


def newest():
    try:
        with open(history) as f:
            items = json.load(f)
    except (OSError, ValueError):
        return None
    return items[0] if items else None


def copy(target, data):
    subprocess.run(["xclip", "-selection", "clipboard", "-t", target, "-i"], input=data, check=True)


def wait_for(check, deadline=10.0):
    start = time.monotonic()
    while time.monotonic() - start < deadline:
        item = newest()
        if item is not None and check(item):
            return time.monotonic() - start
        time.sleep(0.001)
    raise SystemExit("timed out waiting for a capture")


def pss_kib():
    with open(f"/proc/{pid}/smaps_rollup") as f:
        for line in f:
            if line.startswith("Pss:"):
                return int(line.split()[1])
    return 0


def report(name, latencies, cpu):
    ms = sorted(x * 1000 for x in latencies)
    print(f"{name}: {len(ms)} copies, copy→saved median {statistics.median(ms):.1f} ms, "
          f"max {ms[-1]:.1f} ms; Quenda CPU {cpu * 1000 / len(ms):.2f} ms per capture")


idle_before = cpu_seconds()
time.sleep(5)
print(f"idle: Quenda CPU over 5 s with nothing copied: {(cpu_seconds() - idle_before) * 1000:.0f} ms")

latencies, before = [], cpu_seconds()
for i in range(100):
    text = f"bench text {i} " + "x" * 200
    copy("UTF8_STRING", text.encode())
    latencies.append(wait_for(lambda item, t=text: item.get("text") == t))
report("texts", latencies, cpu_seconds() - before)

latencies, before = [], cpu_seconds()
for i in range(1, 21):
    seen = newest()
    with open(os.path.join(folder, f"image-{i}.png"), "rb") as f:
        copy("image/png", f.read())
    latencies.append(wait_for(lambda item, s=seen: item.get("kind") == "image" and item != s))
report("images", latencies, cpu_seconds() - before)

# Fill the history to its 300 unpinned items, with a third of them images, then measure.
for i in range(180):
    copy("UTF8_STRING", f"fill {i}".encode())
    wait_for(lambda item, t=f"fill {i}": item.get("text") == t)
for i in range(80):
    seen = newest()
    with open(os.path.join(folder, f"image-{i % 20 + 1}.png"), "rb") as f:
        copy("image/png", f.read())
    wait_for(lambda item, s=seen: item.get("kind") == "image" and item != s)
with open(history) as f:
    count = len(json.load(f))
print(f"full history: {count} items, Quenda PSS {pss_kib() / 1024:.1f} MiB")

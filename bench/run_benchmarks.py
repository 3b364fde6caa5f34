#!/usr/bin/env python3
"""Runs every benchmark of the panel and prints one table; also writes it to bench/results.md.

Usage: run_benchmarks.py BUILD_DIR   (a Release build configured with -DSAA_BENCH=ON)
"""
import json
import os
import platform
import resource
import socket
import statistics
import subprocess
import sys
import tempfile
import time
from datetime import datetime, timezone

BUILD = sys.argv[1] if len(sys.argv) > 1 else "build-bench"
HERE = os.path.dirname(os.path.abspath(__file__))
PROGRAM = os.path.join(BUILD, "app", "saa1057-panel")
BENCH = os.path.join(BUILD, "bench")
# The runs keep their state in a folder of their own, never in the user's.
STATE_HOME = tempfile.TemporaryDirectory()
ENV = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_STATE_HOME=STATE_HOME.name)

rows = []  # figure, value, baseline, ratio, target, met


def row(figure, value, baseline, ratio, target, met):
    rows.append((figure, value, baseline, ratio, target, "yes" if met else "NO"))


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for_port(port, process, seconds=10):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if process.poll() is not None:
            raise RuntimeError(f"{process.args[0]} ended early")
        try:
            socket.create_connection(("127.0.0.1", port), timeout=0.2).close()
            return
        except OSError:
            time.sleep(0.05)
    raise RuntimeError(f"nothing listens on port {port}")


def bus_figures():
    out = subprocess.run([os.path.join(BENCH, "bus_bench"), "--benchmark_format=json"],
                         check=True, capture_output=True, text=True).stdout
    by_name = {b["name"]: b for b in json.loads(out)["benchmarks"]}
    ns = by_name["empty_iteration/1000000"]["ns_per_iteration"] * 1e9
    row("bus wait: one empty iteration", f"{ns:.3f} ns", "", "", "loops really run", ns > 0.05)
    for longer, shorter, expected in ((1000, 100, 10), (100, 50, 2)):
        b = by_name[f"delay_ratio/{longer}/{shorter}"]
        ratio = b["ratio"]
        row(f"bus wait: delay at iDel {longer} / {shorter}", f"{b['first_ns'] / 1000:.2f} us",
            f"{b['second_ns'] / 1000:.2f} us", f"{ratio:.3f}", f"{expected} +/- 5 %",
            abs(ratio / expected - 1) <= 0.05)
    per_write = by_name["send_host_overhead"]["ns_per_write"] * 1e9
    row("Send host overhead per write (iDel 0)", f"{per_write:.1f} ns", "1000 ns (port write)",
        f"{per_write / 1000:.3f}", "<= 20 ns", per_write <= 20)
    g = by_name["gpio_against_ppdev"]
    row("GPIO back end: one register write (kernel left out)", f"{g['first_ns']:.1f} ns",
        f"{g['second_ns']:.1f} ns (ppdev)", f"{g['ratio']:.2f}", "<= 2 x ppdev", g["ratio"] <= 2)
    t = by_name["trace_cost<LegacySpeedPort>"]
    row("trace cost: Send at iDel 100, traced, 1 us port writes",
        f"{t['first_ns'] / 1000:.1f} us",
        f"{t['second_ns'] / 1000:.1f} us", f"{t['ratio']:.3f}", "<= 1.10 x", t["ratio"] <= 1.10)
    t = by_name["trace_cost<DiscardingPort>"]
    row("  the same into a port that discards its writes", f"{t['first_ns'] / 1000:.1f} us",
        f"{t['second_ns'] / 1000:.1f} us", f"{t['ratio']:.3f}", "(reference)", True)


# A full-speed USB round trip: what each line change costs a USB GPIO chip.
ROUND_TRIP_US = 1000


def ftdi_figures():
    out = subprocess.run([os.path.join(BENCH, "ftdi_wire")], check=True, capture_output=True,
                         text=True).stdout
    values = {k: float(v) for k, v in (line.split() for line in out.splitlines())}
    gpio_us = values["gpio_round_trips"] * ROUND_TRIP_US
    for delay in (50, 1000):
        transfers = values[f"ftdi_transfers_{delay}"]
        row(f"FTDI: USB transfers per Word A (iDel {delay})", f"{transfers:.0f}", "", "", "1",
            transfers == 1)
        row(f"FTDI: bytes per Word A (iDel {delay})", f"{values[f'ftdi_bytes_{delay}']:.0f}", "",
            "", "(one sample a write or wait)", True)
        wire_us = values[f"ftdi_wire_us_{delay}"]
        row(f"FTDI: Word A on the wire (iDel {delay})", f"{wire_us / 1000:.2f} ms",
            f"{gpio_us / 1000:.0f} ms (USB GPIO chip, {values['gpio_round_trips']:.0f} round "
            "trips of 1 ms)", f"{gpio_us / wire_us:.1f} x faster", "faster than a GPIO chip",
            wire_us < gpio_us)


def tuning_figures():
    out = subprocess.run([os.path.join(BENCH, "tuning_bench")], check=True, capture_output=True,
                         text=True, env=ENV).stdout
    values = dict(line.split() for line in out.splitlines())
    for key, label in (("tuning_median_us", "median"), ("tuning_p99_us", "99th percentile")):
        us = float(values[key])
        row(f"tuning step, click to last write ({label})", f"{us:.1f} us", "", "", "<= 1 ms",
            us <= 1000)


def run_measured(command):
    """Wall time and peak resident size of one whole process."""
    start = time.perf_counter()
    process = subprocess.Popen(command, env=ENV, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    elapsed = time.perf_counter() - start
    if status != 0:
        raise RuntimeError(f"{command} failed with {status}")
    return elapsed, usage.ru_maxrss


def startup_figures(runs=25):
    harness = os.path.join(BENCH, "startup_harness")
    samples = {mode: [] for mode in ("--panel", "--plain", "--bare", "--label")}
    for _ in range(runs):  # alternating, so drift hits every mode alike
        for mode in samples:
            samples[mode].append(run_measured([harness, mode]))
    median = {m: (statistics.median(s[0] for s in v), statistics.median(s[1] for s in v))
              for m, v in samples.items()}
    baselines = (("--plain", "plain", ""), ("--bare", "bare", "an empty window"),
                 ("--label", "label", "a window with one label"))
    for what, figure, unit, scale, target in (
            (0, "start-up to first paint, whole process", "ms", 1000, 1.10),
            (1, "peak resident size", "MiB", 1 / 1024, 1.05)):
        ours = median["--panel"][what] * scale
        for mode, name, reference in baselines:  # the plain window is the target, others refer
            theirs = median[mode][what] * scale
            ratio = ours / theirs
            row(f"  the same against {reference}" if reference else figure, f"{ours:.1f} {unit}",
                f"{theirs:.1f} {unit} ({name})", f"{ratio:.2f}",
                "(reference)" if reference else f"<= {target:.2f} x",
                bool(reference) or ratio <= target)


def cpu_ns_and_wakeups(pid):
    cpu = wakeups = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        with open(f"/proc/{pid}/task/{task}/schedstat") as f:
            cpu += int(f.read().split()[0])
        with open(f"/proc/{pid}/task/{task}/status") as f:
            for line in f:
                if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                    wakeups += int(line.split()[1])
    return cpu, wakeups


def idle_cost(command, seconds):
    """CPU time (ms) and wake-ups of the program at rest, `seconds` long from 1.5 s after start."""
    process = subprocess.Popen(command, env=ENV, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    try:
        time.sleep(1.5)  # start-up done
        cpu0, wake0 = cpu_ns_and_wakeups(process.pid)
        time.sleep(seconds)
        cpu1, wake1 = cpu_ns_and_wakeups(process.pid)
    finally:
        process.terminate()
        process.wait()
    return (cpu1 - cpu0) / 1e6, wake1 - wake0


def idle_figures(seconds=10):
    ms, wakeups = idle_cost([PROGRAM, "--simulate"], seconds)
    row(f"idle: CPU time in {seconds} s at rest", f"{ms:.2f} ms", "", "", "< 10 ms", ms < 10)
    row(f"idle: wake-ups in {seconds} s at rest", f"{wakeups}", "", "", "(no timers)",
        wakeups <= seconds)
    # Locked, the line is looked at lock::kChecksPerSecond (4) times a second.
    ms, wakeups = idle_cost([PROGRAM, "--headless", "--simulate", "--lock", "--word-b",
                             "test=lock"], seconds)
    per_second = wakeups / seconds
    row("locked: wake-ups per second watching for a loss", f"{per_second:.1f}", "", "",
        "<= 4 (+1)", per_second <= 5)
    cpu_per_hour = ms * 3600 / seconds / 1000
    row("locked: CPU time per hour watching for a loss", f"{cpu_per_hour:.2f} s", "", "",
        "<= 10 s", cpu_per_hour <= 10)


def lock_wait_figures(words=20):
    """Words below the simulated oscillator's range, which never lock: the CPU time the panel
    spends reading the lock line for each one's 100 ms."""
    port = free_port()
    process = subprocess.Popen([PROGRAM, "--headless", "--simulate", "--lock", "--word-b",
                                "test=lock", "--rigctld", f"127.0.0.1:{port}"], env=ENV,
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    try:
        wait_for_port(port, process)
        with socket.create_connection(("127.0.0.1", port), timeout=10) as client:
            answers = client.makefile("r")

            def unlocked_word(hz):
                client.sendall(f"F {hz}\n".encode())
                answers.readline()  # RPRT 0, once the word is sent
                while not process.stdout.readline().startswith("not locked within"):
                    pass

            unlocked_word(66_000_000)  # start-up's words and their locks are behind it
            cpu0, _ = cpu_ns_and_wakeups(process.pid)
            for word in range(words):
                unlocked_word(66_100_000 if word % 2 == 0 else 66_000_000)
            cpu1, _ = cpu_ns_and_wakeups(process.pid)
    finally:
        process.terminate()
        process.wait()
    ms = (cpu1 - cpu0) / 1e6 / words
    row("lock wait: CPU time per word that never locks (100 ms read)", f"{ms:.1f} ms",
        "", "", "<= 15 ms", ms <= 15)


def state_figures(seconds=60, per_second=10):
    """A Doppler client: F ten times a second for a minute. The state file's writes, each a new
    file renamed over it (told by its inode and time), against one per 2 s rest time; and how
    long each F takes to be answered meanwhile."""
    port = free_port()
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "state")
        process = subprocess.Popen([PROGRAM, "--headless", "--simulate", "--rigctld",
                                    f"127.0.0.1:{port}", "--state", path], env=ENV,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            wait_for_port(port, process)
            time.sleep(2.5)  # the start-up's state written
            def version():
                found = os.stat(path)
                return found.st_ino, found.st_mtime_ns
            versions, answers = {version()}, []
            with socket.create_connection(("127.0.0.1", port), timeout=10) as client:
                start = time.monotonic()
                for n in range(seconds * per_second):
                    sent = time.perf_counter()
                    client.sendall(f"F {96_100_000 + 10_000 * (n % 50)}\n".encode())
                    client.recv(100)
                    answers.append((time.perf_counter() - sent) * 1e6)
                    while time.monotonic() < start + (n + 1) / per_second:
                        versions.add(version())
                        time.sleep(0.005)
        finally:
            process.terminate()
            process.wait()
    writes, limit = len(versions) - 1, seconds // 2 + 1
    row(f"state file: writes in {seconds} s of F {per_second} times a second", f"{writes}", "",
        "", f"<= {limit} (one per 2 s)", writes <= limit)
    p99 = statistics.quantiles(answers, n=100)[98]
    row("state file: F answered meanwhile (99th percentile)", f"{p99:.0f} us", "", "", "<= 1 ms",
        p99 <= 1000)


def rigctld_figures(requests=10000):
    client = os.path.join(BENCH, "rigctl_client")
    program_port, hamlib_port = free_port(), free_port()
    program = subprocess.Popen([PROGRAM, "--simulate", "--rigctld", f"127.0.0.1:{program_port}"],
                               env=ENV, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    hamlib = subprocess.Popen(["rigctld", "-m", "1", "-T", "127.0.0.1", "-t", str(hamlib_port)],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        wait_for_port(program_port, program)
        wait_for_port(hamlib_port, hamlib)
        results = {"panel": [], "hamlib": []}
        for _ in range(3):  # alternating rounds; each keeps its best
            for name, port in (("panel", program_port), ("hamlib", hamlib_port)):
                out = subprocess.run([client, "127.0.0.1", str(port), str(requests)], check=True,
                                     capture_output=True, text=True).stdout
                results[name].append({k: float(v) for k, v in
                                      (line.split() for line in out.splitlines())})
    finally:
        for process in (program, hamlib):
            process.terminate()
            process.wait()
    best = {name: max(r, key=lambda x: x["requests_per_second"]) for name, r in results.items()}
    ours, theirs = best["panel"], best["hamlib"]
    ratio = ours["requests_per_second"] / theirs["requests_per_second"]
    row(f"rigctld: {requests} f requests, one connection", f"{ours['requests_per_second']:.0f}/s",
        f"{theirs['requests_per_second']:.0f}/s (rigctld -m 1)", f"{ratio:.2f}", ">= 1.0 x",
        ratio >= 1.0)
    row("rigctld: 99th percentile answer time", f"{ours['p99_us']:.0f} us",
        f"{theirs['p99_us']:.0f} us (rigctld -m 1)", "", "<= 1 ms", ours["p99_us"] <= 1000)


def web_figures():
    """The tuning page in chromium: a script of its own, for Debian's python3 and selenium."""
    # A minute is its usual time; a hung browser must not hold the whole run.
    out = subprocess.run([os.path.join(HERE, "web_latency.py"), BUILD], check=True,
                         stdout=subprocess.PIPE, text=True, timeout=600).stdout
    for line in out.splitlines()[2:]:  # the rows of its table
        rows.append(tuple(cell[1:-1] for cell in line.strip()[1:-1].split("|")))


def machine():
    model = next((line.split(":", 1)[1].strip() for line in open("/proc/cpuinfo")
                  if line.startswith("model name")), platform.processor())
    return (f"{model}, {os.cpu_count()} cores, Linux {platform.release()}, "
            f"{datetime.now(timezone.utc):%Y-%m-%d %H:%M} UTC")


def table():
    header = ("figure", "value", "baseline", "ratio", "target", "met")
    lines = ["| " + " | ".join(header) + " |", "|" + "---|" * len(header)]
    lines += ["| " + " | ".join(r) + " |" for r in rows]
    return "\n".join(lines)


def main():
    for figures in (bus_figures, ftdi_figures, tuning_figures, startup_figures, idle_figures,
                    lock_wait_figures, state_figures, rigctld_figures, web_figures):
        figures()
    text = table()
    print(text)
    with open(os.path.join(HERE, "results.md"), "w") as f:
        f.write(f"# Benchmark results\n\nMachine: {machine()}.\n\n{text}\n\n"
                "How each figure is taken: bench/README.md. Made by `make bench`.\n")


if __name__ == "__main__":
    main()

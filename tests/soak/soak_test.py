#!/usr/bin/env python3
"""The panel's rigctld server under load for SECONDS: the headless panel on the simulated chip,
with its bus traced, serves its sixteen client slots at once: 13 pollers (7 as gpredict polls,
6 as fldigi), a tuner every 100 ms, a client that never reads its answers and one that drops
mid-command and comes back every second. Every answer must be complete and in order, the words
on the traced bus exactly the tunings, no sanitizer may report, and the panel's resident memory
at the end within TOLERANCE percent of what it was RSS_FROM seconds in.

Usage: soak_test.py PROGRAM SECONDS RSS_FROM TOLERANCE
"""
import os
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
from clients import Connection, Dropper, NonReader, Poller, Tuner, tuning_hz
from vcd_words import bus_words

PROGRAM, SECONDS, RSS_FROM, TOLERANCE = sys.argv[1], *map(float, sys.argv[2:5])
POLLERS = ["gpredict", "fldigi"] * 6 + ["gpredict"]
# ASan keeps freed blocks in a quarantine, 256 MiB by default, and the panel's resident memory
# grows as that fills: at the soak's rate of frees from 180 MiB at 10 s to a plateau of 420 MiB
# near 50 s, later on a slower machine, so that the one-minute figure would measure ASan. 4 MiB
# fill within the first second, after which growth is the program's; a use after a free is
# still caught for what was freed in the last second or so (this event loop's deleteLater).
SANITIZERS = {"ASAN_OPTIONS": "detect_leaks=1:abort_on_error=1:quarantine_size_mb=4",
              "UBSAN_OPTIONS": "print_stacktrace=1:halt_on_error=1"}
failures = []


def check(what, condition):
    if not condition:
        failures.append(what)


def divider(freq_hz):
    """N for a received frequency: the oscillator runs 10.7 MHz above it, in 10 kHz steps."""
    return (freq_hz + 10_700_000) // 10_000


def start_program(folder):
    """The panel and a first connection to it, which the tuner takes over."""
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        port = probe.getsockname()[1]
    with open(os.path.join(folder, "panel.out"), "wb") as out, \
            open(os.path.join(folder, "panel.err"), "wb") as err:
        program = subprocess.Popen(
            [PROGRAM, "--headless", "--simulate", "--rigctld", f"127.0.0.1:{port}",
             "--trace", os.path.join(folder, "bus.vcd")],
            stdout=out, stderr=err, env=dict(os.environ, QT_QPA_PLATFORM="offscreen", **SANITIZERS))
    deadline = time.monotonic() + 30
    while time.monotonic() < deadline and program.poll() is None:
        try:
            return program, port, Connection(port)
        except ConnectionRefusedError:
            time.sleep(0.1)
    program.kill()
    sys.exit(f"the panel did not listen within 30 s (status {program.wait()}): "
             + read(folder, "panel.err"))


def read(folder, name):
    with open(os.path.join(folder, name), encoding="utf-8", errors="replace") as f:
        return f.read()


def rss_kib(pid):
    with open(f"/proc/{pid}/status", encoding="ascii") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    raise AssertionError(f"no VmRSS for the panel ({pid})")


def soak(program, clients, stop):
    """Runs the clients for SECONDS, printing a line a minute; returns the memory at RSS_FROM
    and at the end. Stops early, clients and all, at the first failure."""
    for client in clients:
        client.start()
    start, rss_from, minute = time.monotonic(), None, 0
    while (elapsed := time.monotonic() - start) < SECONDS:
        if failures or program.poll() is not None:
            break
        if rss_from is None and elapsed >= RSS_FROM:
            rss_from = rss_kib(program.pid)
        if elapsed >= 60 * (minute + 1):
            minute += 1
            print(f"{minute} min: {sum(c.answers for c in clients)} answers, "
                  f"RSS {rss_kib(program.pid)} KiB", flush=True)
        time.sleep(0.2)
    rss_end = rss_kib(program.pid) if program.poll() is None else None
    stop.set()
    for client in clients:
        client.join(30)
        check(f"{client.name} ends within 30 s", not client.is_alive())
    return rss_from, rss_end


def check_non_reader(non_reader, ended_at):
    """The answers it never read: returns how many requests they answer."""
    blocked_s = ended_at - non_reader.last_taken
    check(f"the panel stops taking the non-reader's requests: it took the last "
          f"{blocked_s:.1f} s before the end, after {non_reader.sent_bytes} bytes",
          non_reader.sent_bytes > 0 and blocked_s >= (ended_at - non_reader.started) / 2)
    received, expected = non_reader.read_all()
    same = next((i for i, (a, b) in enumerate(zip(received, expected)) if a != b),
                min(len(received), len(expected)))
    check(f"the non-reader gets its {len(expected)} bytes of answers, whole and in order: "
          f"{len(received)} bytes, the same up to byte {same}", received == expected)
    return expected.count(b"VFOA") + expected.count(b"WFM")


def check_bus(folder, tuner):
    """The words traced: returns how many."""
    if tuner.sent != tuner.confirmed:
        return 0  # the tuner failed, which says why
    words = bus_words(os.path.join(folder, "bus.vcd"))
    expected = [format(divider(tuning_hz(index)), "017b") for index in range(-1, tuner.sent)]
    check(f"the first word is the start-up's, Word A for N 11690: {words[:1]}",
          words[:1] == ["00010110110101010"])
    wrong = next((i for i, (a, b) in enumerate(zip(words, expected)) if a != b), None)
    check(f"the bus carries {len(expected)} words, the start-up's and one per tuning: "
          f"{len(words)} words, the first wrong at {wrong}", words == expected)
    return len(words)


def end_program(program, folder):
    """Ends the panel as a service manager would; returns its standard error."""
    program.send_signal(signal.SIGTERM)
    try:
        status = program.wait(60)
    except subprocess.TimeoutExpired:
        program.kill()
        status = "hung: killed after 60 s"
    errors = read(folder, "panel.err")
    check(f"SIGTERM ends the panel with status 0, not {status}", status == 0)
    check("no sanitizer report", "Sanitizer" not in errors and "runtime error" not in errors)
    return errors


def main():
    with tempfile.TemporaryDirectory(prefix="saa1057-soak-") as folder:
        program, port, first = start_program(folder)
        stop = threading.Event()
        tuner = Tuner(first, stop, failures)
        non_reader = NonReader("non-reader", port, stop, failures)
        pollers = [Poller(f"poller {i + 1} ({style})", style, port, tuner, stop, failures)
                   for i, style in enumerate(POLLERS)]
        clients = [tuner, *pollers, Dropper("dropper", port, stop, failures, tuner)]
        rss_from, rss_end = soak(program, [*clients, non_reader], stop)
        ended_at = time.monotonic()
        check(f"the panel runs to the end (status {program.poll()})", program.poll() is None)
        unread = check_non_reader(non_reader, ended_at) if not failures else 0
        first.socket.close()
        errors = end_program(program, folder)
        words = check_bus(folder, tuner)
        print("answers: " + ", ".join(f"{c.name} {c.answers}" for c in clients) +
              f", non-reader {unread} (all at the end)")
        print(f"{tuner.confirmed} tunings, {words} words on the bus checked")
        if rss_from and rss_end:
            growth = 100 * (rss_end - rss_from) / rss_from
            print(f"RSS {rss_from} KiB after {RSS_FROM:g} s, {rss_end} KiB after {SECONDS:g} s "
                  f"({growth:+.1f} %)")
            check(f"the memory after {SECONDS:g} s within {TOLERANCE:g} % of that after "
                  f"{RSS_FROM:g} s", abs(growth) <= TOLERANCE)
        if errors.strip():
            print("the panel's standard error:\n" + errors[-20000:])
    for failure in failures:
        print(f"FAILED: {failure}")
    print(f"soak of {SECONDS:g} s: {len(failures)} failed")
    sys.exit(1 if failures else 0)


main()

#!/usr/bin/env python3
"""The panel's rigctld server and web page under load for SECONDS: the headless panel on the
simulated chip, with its bus traced, serves rigctld's sixteen client slots at once: 13 pollers
(7 as gpredict polls, 6 as fldigi), a tuner every 100 ms, a client that never reads its answers
and one that drops mid-command and comes back every second. Beside them 4 pages read every
state and tune every quarter second or so, one page never reads and must be dropped, and a
stranger sends requests that trickle in, stop half-way or go past the size limits; once, the
panel is left almost no descriptors and flooded with idle connections to both ports.

Every answer must be complete and in order, the slowest within ANSWER_LIMIT_S (the first after
the flood within 5 s), the words on the traced bus exactly the tunings, no sanitizer may report,
the panel's resident memory at the end within TOLERANCE percent of what it was RSS_FROM seconds
in, and the panel idle once every client has gone.

Usage: soak_test.py PROGRAM SECONDS RSS_FROM TOLERANCE
"""
import os
import sys
import tempfile
import threading
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "web"))
from clients import SLOWEST, Connection, Dropper, NonReader, Poller, Tuner, Tunings, divider
from flood import Flood, busy_seconds
from page_clients import KERNEL_BYTES, KIB, UNSENT_BYTES, ReadingPage, StalledPage, Stranger
from vcd_words import bus_words
from web_support import Program

PROGRAM, SECONDS, RSS_FROM, TOLERANCE = sys.argv[1], *map(float, sys.argv[2:5])
POLLERS = ["gpredict", "fldigi"] * 6 + ["gpredict"]
PAGES = 4
ANSWER_LIMIT_S = 1
# Early, that the flood ends before the non-reader has sent nothing for a minute: rigctld would
# then give its slot to one of the flood's connections.
FLOOD_AT_S = min(0.4 * SECONDS, 20)
IDLE_BUSY_S = 0.1  # of 2 s
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


def check_stalled_page(stalled, pages):
    """The page that never reads: dropped once the states waiting for it passed the limit, as
    the other pages' count of pages open shows, and its connection closed."""
    closed, left = stalled.closed_by_server()
    dropped = [page.dropped_after and page.dropped_after // KIB for page in pages]
    low, high = UNSENT_BYTES // KIB, (UNSENT_BYTES + KERNEL_BYTES) // KIB
    check(f"the page that never reads dropped after {low} to {high} KiB of states: the reading "
          f"pages saw it go after {dropped} KiB, of {pages[0].state_bytes // KIB} KiB; its "
          f"connection {'closed' if closed else 'still open'}, {left // KIB} KiB left to read",
          closed and all(kib is not None and low <= kib <= high for kib in dropped))
    return dropped


def check_slowest():
    for kind in ("rigctld", "page"):
        seconds, what = SLOWEST.answers.get(kind, (None, "nothing answered"))
        check(f"the slowest {kind} answer within {ANSWER_LIMIT_S} s: "
              f"{seconds and round(seconds, 2)} s, to {what}",
              seconds is not None and seconds <= ANSWER_LIMIT_S)
    return ", ".join(f"{kind} {seconds:.2f} s ({what})"
                     for kind, (seconds, what) in SLOWEST.answers.items())


def check_idle(program):
    time.sleep(0.5)  # the last connections' ends handled
    busy = busy_seconds(program.pid)
    check(f"with every client gone, the panel idle: busy {busy:.2f} s of 2", busy <= IDLE_BUSY_S)
    return busy


def check_bus(folder, tunings):
    """The words traced: returns how many."""
    if tunings.confirmed != len(tunings.hz) - 1:
        return 0  # a tuning failed, which says why
    words = bus_words(os.path.join(folder, "bus.vcd"))
    expected = [format(divider(hz), "017b") for hz in tunings.hz]
    check(f"the first word is the start-up's, Word A for N 11690: {words[:1]}",
          words[:1] == ["00010110110101010"])
    wrong = next((i for i, (a, b) in enumerate(zip(words, expected)) if a != b), None)
    check(f"the bus carries {len(expected)} words, the start-up's and one per tuning: "
          f"{len(words)} words, the first wrong at {wrong}", words == expected)
    return len(words)


def end_program(panel):
    """Ends the panel as a service manager would; returns its standard error."""
    status, errors = panel.end(seconds=60)
    check(f"SIGTERM ends the panel with status 0, not {status}", status == 0)
    # UBSan reads the vtable of a type it has not yet met through a pipe, which it cannot make
    # while the flood leaves no descriptors: it then reports that object as corrupt.
    starved = "invalid vptr" in errors and "<memory cannot be printed>" in errors
    check("no sanitizer report" + (" (an invalid vptr whose memory could not be read: perhaps "
                                   "UBSan out of descriptors in the flood)" if starved else ""),
          "Sanitizer" not in errors and "runtime error" not in errors)
    return errors


def main():
    with tempfile.TemporaryDirectory(prefix="saa1057-soak-") as folder:
        os.environ.update(SANITIZERS)
        panel = Program([PROGRAM], "--headless", "--trace", os.path.join(folder, "bus.vcd"),
                        rigctld=True)
        program, first = panel.process, Connection(panel.rigctld_port)
        rigctld, web = panel.rigctld_port, panel.port
        ports = {"rigctld": rigctld, "web page": web}
        stop, tunings = threading.Event(), Tunings()
        stalled = StalledPage(web)
        tuner = Tuner(first, tunings, stop, failures)
        non_reader = NonReader("non-reader", rigctld, stop, failures)
        pollers = [Poller(f"poller {i + 1} ({style})", style, rigctld, tunings, stop, failures)
                   for i, style in enumerate(POLLERS)]
        pages = [ReadingPage(f"page {i + 1}", web, tunings, PAGES, stop, failures)
                 for i in range(PAGES)]
        stranger = Stranger("stranger", web, stop, failures)
        flood = Flood("flood", program.pid, ports, tunings, FLOOD_AT_S, stop, failures)
        clients = [tuner, *pollers, Dropper("dropper", rigctld, stop, failures, tunings), *pages,
                   stranger]
        rss_from, rss_end = soak(program, [*clients, non_reader, flood], stop)
        ended_at = time.monotonic()
        check(f"the panel runs to the end (status {program.poll()})", program.poll() is None)
        check(f"the flood ran, {FLOOD_AT_S:g} s in", failures or flood.answers == 1)
        unread = check_non_reader(non_reader, ended_at) if not failures else 0
        dropped = check_stalled_page(stalled, pages) if not failures else None
        first.sock.close()
        busy = check_idle(program) if not failures else None
        errors = end_program(panel)
        words = check_bus(folder, tunings)
        print("answers: " + ", ".join(f"{c.name} {c.answers}" for c in clients) +
              f", non-reader {unread} (all at the end)")
        print(f"{len(tunings.hz) - 1} tunings ({tuner.answers} by rigctld), {words} words on "
              f"the bus checked; {stranger.rounds} rounds of the stranger's")
        print(f"slowest answers: {check_slowest()}")
        print(f"flood, {FLOOD_AT_S:g} s in: {flood.seen}")
        print(f"the page that never reads dropped after {dropped} KiB of states; at the end "
              f"the panel busy {busy} s of 2")
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

#!/usr/bin/env python3
"""The panel's rigctld server and web page under load for SECONDS: the headless panel on the
simulated chip, its bus traced, serves rigctld's sixteen client slots at once (13 pollers, 7 as
gpredict polls and 6 as fldigi, a tuner every 100 ms, a client that never reads its answers and
one that drops mid-command every second), 4 pages that read every state and tune, one page that
never reads and must be dropped, and a stranger whose requests trickle in, stop half-way or go
past the size limits; once, it is left almost no descriptors and flooded with idle connections.

Every answer must be right, whole, in order and within ANSWER_LIMIT_S (the first after the flood
within 5 s), the words on the bus, as sigrok reads them, exactly the tunings; no sanitizer may
report, the memory at the end must be within TOLERANCE percent of that RSS_FROM seconds in, and
the panel idle once every client has gone.

Usage: soak_test.py PROGRAM SECONDS RSS_FROM TOLERANCE
"""
import os
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "web"))
from clients import (ANSWER_TIMEOUT_S, KIB, POLLS, SLOWEST, STOP, TUNINGS, Dropper, Flood,
                     NonReader, Poller, ReadingPage, Stranger, Tuner, busy_seconds, divider)
from web_support import bus_words, check, drained, failures, finish, page, run_on_program

PROGRAM, SECONDS, RSS_FROM, TOLERANCE = sys.argv[1], *map(float, sys.argv[2:5])
POLLERS = ["gpredict", "fldigi"] * 6 + ["gpredict"]
PAGES = 4
# The server's limit on what waits for a page, as the README's page section states it; besides
# it, in the kernel, the server's send buffer (64 KiB, which Linux doubles) and the page's.
UNSENT_BYTES, KERNEL_BYTES, STALLED_RCVBUF = 256 * KIB, 160 * KIB, 4 * KIB
# Early, that the flood ends before the non-reader has sent nothing for a minute: rigctld would
# then give its slot to one of the flood's connections.
FLOOD_AT_S = min(0.4 * SECONDS, 20)
IDLE_BUSY_S = 0.1  # of 2 s
# ASan keeps freed blocks in a quarantine, 256 MiB by default, and the panel's resident memory
# grows as that fills: at the soak's rate of frees from 180 MiB at 10 s to a plateau of 420 MiB
# near 50 s, later on a slower machine, so that the one-minute figure would measure ASan. 4 MiB
# fill within the first second, after which growth is the program's; a use after a free is
# still caught for what was freed in the last second or so (this event loop's deleteLater).
os.environ.update(ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:quarantine_size_mb=4",
                  UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1")


def rss_kib(pid):
    with open(f"/proc/{pid}/status", encoding="ascii") as status:
        return int(next(line for line in status if line.startswith("VmRSS:")).split()[1])


def soak(program):
    """Runs the clients for SECONDS, printing a line a minute, and checks what they leave;
    stops early, clients and all, at the first failure."""
    pid, rigctld, web = program.process.pid, program.rigctld_port, program.port
    stalled = page(web, timeout=ANSWER_TIMEOUT_S, rcvbuf=STALLED_RCVBUF)
    pages = [ReadingPage(f"page {i + 1}", web, reading=PAGES) for i in range(PAGES)]
    stranger, non_reader = Stranger("stranger", web), NonReader("non-reader", rigctld)
    flood = Flood("flood", None, pause=FLOOD_AT_S, pid=pid,
                  ports={"rigctld": rigctld, "web page": web})
    clients = [Tuner("tuner", rigctld), *pages, Dropper("dropper", rigctld),
               *(Poller(f"poller {i + 1} ({style})", rigctld, polls=POLLS[style])
                 for i, style in enumerate(POLLERS)), stranger, non_reader, flood]
    for client in clients:
        client.start()
    start, rss_from, rss_end, minute = time.monotonic(), None, None, 0
    while (elapsed := time.monotonic() - start) < SECONDS and not failures:
        if program.process.poll() is not None:
            break
        if rss_from is None and elapsed >= RSS_FROM:
            rss_from = rss_kib(pid)
        rss_end = rss_kib(pid)
        if elapsed >= 60 * (minute + 1):
            minute += 1
            print(f"{minute} min: {sum(c.answers for c in clients)} answers, RSS {rss_end} KiB",
                  flush=True)
        time.sleep(0.2)
    STOP.set()
    for client in clients:
        client.join(30)
        check(f"{client.name} ends within 30 s", not client.is_alive())
    check(f"the panel runs to the end (status {program.process.poll()})",
          program.process.poll() is None)
    check(f"the flood ran, {FLOOD_AT_S:g} s in", failures or flood.answers == 1)
    if not failures:
        data, closed = drained(stalled.sock, ANSWER_TIMEOUT_S)
        stalled.sock.close()
        dropped = [p.dropped_after // KIB if p.dropped_after else None for p in pages]
        low, high = UNSENT_BYTES // KIB, (UNSENT_BYTES + KERNEL_BYTES) // KIB
        left = (len(stalled.pending) + len(data)) // KIB
        check(f"the page that never reads dropped after {low} to {high} KiB of states: the reading "
              f"pages saw it go after {dropped} KiB of {pages[0].state_bytes // KIB}; its "
              f"connection {'closed' if closed else 'open'}, {left} KiB left",
              closed and all(kib is not None and low <= kib <= high for kib in dropped))
        time.sleep(0.5)  # the last connections' ends handled
        busy = busy_seconds(pid)
        check(f"every client gone, the panel idle: busy {busy:.2f} s of 2", busy <= IDLE_BUSY_S)
        print(f"the page that never reads dropped after {dropped} KiB of states; at the end the "
              f"panel busy {busy:.2f} s of 2")
    if rss_from and rss_end:
        growth = 100 * (rss_end - rss_from) / rss_from
        check(f"the memory after {SECONDS:g} s within {TOLERANCE:g} % of that after "
              f"{RSS_FROM:g} s: {rss_from} KiB, then {rss_end} KiB ({growth:+.1f} %)",
              abs(growth) <= TOLERANCE)
    print("answers: " + ", ".join(f"{c.name} {c.answers}" for c in clients) + "; slowest: " +
          ", ".join(f"{kind} {s:.2f} s ({what})" for kind, (s, what) in SLOWEST.items()) +
          f"; flood: {flood.seen}; {stranger.rounds} rounds of the stranger's; RSS {rss_from} "
          f"KiB after {RSS_FROM:g} s, {rss_end} KiB at the end")
    if failures:
        print("the panel's standard error so far:\n" + program.stderr()[-20000:])


with tempfile.TemporaryDirectory(prefix="saa1057-soak-") as folder:
    trace = os.path.join(folder, "bus.vcd")
    # A service manager's SIGTERM. Should UBSan report an invalid vptr whose memory cannot be
    # printed, it may have been out of descriptors in the flood: it reads the vtable of a type it
    # has not yet met through a pipe.
    run_on_program([PROGRAM], "the soak", soak, "--headless", "--trace", trace, rigctld=True,
                   end_s=60)
    if TUNINGS.confirmed == len(TUNINGS.hz) - 1:  # else a tuning failed, which says why
        words, expected = bus_words(trace), [format(divider(hz), "017b") for hz in TUNINGS.hz]
        check(f"the bus carries {len(expected)} words, the start-up's and one per tuning: "
              f"{len(words)} words, the first {len(os.path.commonprefix([words, expected]))} "
              f"right", words == expected)
print(f"soak of {SECONDS:g} s, {len(TUNINGS.hz) - 1} tunings")
finish()

#!/usr/bin/env python3
# The panel's rigctld server and web page under load for SECONDS: the headless panel on the
# simulated chip, its bus traced, serves rigctld's sixteen client slots at once (14 pollers, 7 as
# gpredict polls and 7 as fldigi, a tuner 100 ms after each tuning and a client that drops
# mid-command every second), 4 pages that read every state and tune, and one page that never
# reads and must be dropped. (A stranger's limits and a flood of connections at no descriptors
# left are tests/web/limits_test.py's; a rigctld client that never reads its answers,
# tests/rigctl_server's HoldsUpTo64KiBOfUnreadAnswersAndGoesOnOnceTheyAreRead.)
#
# Every answer must be right, whole, in order and within ANSWER_LIMIT_S, the words on the bus,
# as sigrok reads them, exactly the tunings; no sanitizer may report, the memory at the end must
# be within TOLERANCE percent of that RSS_FROM seconds in, and the panel idle (busy at most 0.1 s
# of 2) once every client has gone. Each client is a thread that ends at its first failure, and
# the soak with it.
#
# Usage: soak_test.py PROGRAM SECONDS RSS_FROM TOLERANCE
import os
import random
import re
import select
import socket
import struct
import sys
import tempfile
import threading
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "web"))
from web_support import (Rigctld, bus_words, busy_seconds, check, drained, failures,  # noqa
                         finish, page, resident_kib, run_on_program)

PROGRAM, SECONDS, RSS_FROM, TOLERANCE = sys.argv[1], *map(float, sys.argv[2:5])
# ANSWER_LIMIT_S, a rigctld client's wait for each answer and a page's for its tuning's state:
# under ASan with 20 clients on two cores at a load of 12, answers took at most 0.1 s; a second
# more for a machine busier still, yet a stalled event loop fails.
# ANSWER_TIMEOUT_S, a page's wait for any state: a sanitized panel on a loaded machine, yet a
# hang fails fast.
ANSWER_LIMIT_S, ANSWER_TIMEOUT_S, STARTUP_HZ = 2, 10, 106_200_000
# The 10 kHz steps from 76 to 108 MHz, visited in a stride prime to their number: each tuning
# moves the divider, and a frequency comes back only 3201 tunings later, so that a poller's
# answer names one tuning within the few that can be in flight.
BAND_LOW_HZ, BAND_STEPS, STRIDE = 76_000_000, 3201, 1009
# What a poller asks besides f: the carrier detect as gpredict asks for it (raw byte 0x8b), the
# mode and the VFO. Nobody sets the mode or the VFO, so those answers never change.
STEADY = {b"\x8b\n": b"0\n", b"m\n": b"WFM\n230000\n", b"v\n": b"VFOA\n"}
POLLERS = [("gpredict", [*STEADY]), ("fldigi", [b"m\n", b"v\n"])] * 7
KIB = 1024
# The page's limit on unsent data, as the README's page section states it, and besides it, in the
# kernel, the server's send buffer (64 KiB, which Linux doubles) and the page's.
UNSENT_BYTES, KERNEL_BYTES = 256 * KIB, 160 * KIB
# The page's tunings often enough that the states for the page that never reads pass its limit
# within the short soak's first 30 s.
PAGES, STALLED_RCVBUF, PAGE_TUNING_PERIOD_S = 4, 4 * KIB, 0.25
COUNTS = re.compile(r"(\d+) words? loaded.*?(\d+) pages? open")  # in a state's statusDetail
# The page's dividers (63 to 120 MHz by 100 kHz) less the rigctld tuner's band (76 to 108 MHz),
# so that no tuning repeats the one before it and every one is a word on the bus.
PAGE_HZ = [n * 10_000 - 10_700_000 for n in range(7370, 13071, 10) if not 8670 <= n <= 11870]
# ASan keeps freed blocks in a quarantine, 256 MiB by default, and the panel's resident memory
# grows as that fills: at the soak's rate of frees from 180 MiB at 10 s to a plateau of 420 MiB
# near 50 s, later on a slower machine, so that the one-minute figure would measure ASan. 4 MiB
# fill within the first second, after which growth is the program's; a use after a free is
# still caught for what was freed in the last second or so (this event loop's deleteLater).
os.environ.update(ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:quarantine_size_mb=4",
                  UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1")
STOP = threading.Event()


def divider(freq_hz):  # the oscillator runs 10.7 MHz above the frequency, in 10 kHz steps
    return (freq_hz + 10_700_000) // 10_000


def expect(what, answer, expected):
    if answer != expected:
        raise AssertionError(f"{what} answered {answer!r}, not {expected!r}")


def asked(rig, request, expected):  # one request at a time, as Hamlib's clients ask
    expect(request, rig.ask(request, expected.count(b"\n")), expected)


# Every tuning, the rigctld tuner's and the pages', made one at a time: each waits until the
# last is carried out, so that the bus carries them in this order and a page sees the state of its
# own, not one that a tuning right behind it replaced in the same turn of the event loop. HZ holds
# them all, the start-up's first; CONFIRMED[0] is the index of the last done.
HZ, CONFIRMED, TURN = [STARTUP_HZ], [0], threading.Lock()


def tune(pick, carry_out):  # to pick(the last frequency), through carry_out(hz)
    with TURN:  # each carry_out's waits are bounded
        HZ.append(pick(HZ[-1]))
        carry_out(HZ[-1])
        CONFIRMED[0] = len(HZ) - 1


def read_back(rig, after):
    # `f`'s tuning, which must be one confirmed or in flight, and none before tuning `after`.
    lowest, answer = max(after, CONFIRMED[0]), rig.ask(b"f\n")
    if answer not in (in_flight := [b"%d\n" % hz for hz in HZ[lowest:]]):
        raise AssertionError(f"f answered {answer!r}, none of tunings {lowest} on: {in_flight}")
    return lowest + in_flight.index(answer)


class Client(threading.Thread):
    # begin(), then step() every `pause` seconds until the soak stops, then end(); `answers`
    # counts the answers checked; a poller's `polls`, what it asks besides f.
    pause, tuning, connection = 0, 0, None

    def __init__(self, name, port, polls=()):
        super().__init__(name=name, daemon=True)
        self.port, self.polls, self.answers = port, polls, 0

    def run(self):
        try:
            self.begin()
            while not STOP.wait(self.pause):
                self.step()
            self.end()
        except Exception as failure:  # whatever it is, it ends the soak and says why
            check(f"{self.name}, after {self.answers} answers: {failure!r}", False)
        finally:
            if self.connection:
                self.connection.sock.close()

    def begin(self):  # and end(): nothing unless a client's own
        pass

    end = begin


class Tuner(Client):  # tunes 100 ms after each tuning, padded as gpredict pads; `answers`
    # counts its tunings
    pause = 0.1

    def begin(self):
        self.connection = Rigctld(self.port, ANSWER_LIMIT_S)

    def step(self):
        tune(lambda _: BAND_LOW_HZ + (7 + self.answers * STRIDE) % BAND_STEPS * 10_000,
             lambda hz: asked(self.connection, b"F %10d\n" % hz, b"RPRT 0\n"))
        self.answers += 1


class Poller(Tuner):  # polls f and then its `polls`; nothing more may come
    pause = 0.02

    def step(self):
        self.tuning = read_back(self.connection, self.tuning)
        for request in self.polls:
            asked(self.connection, request, STEADY[request])
        self.answers += 1 + len(self.polls)

    def end(self):
        expect("the end, unasked,", drained(self.connection.sock, 0.5)[0], b"")


class Dropper(Client):
    # Comes back every second, reads the frequency, sends half a tuning and leaves: by closing
    # the connection, or every other visit by resetting it.
    pause = 1.0  # long enough for the panel to let the last visit's slot go

    def step(self):
        with Rigctld(self.port, ANSWER_LIMIT_S) as rig:
            self.tuning = read_back(rig, self.tuning)
            rig.sock.sendall(b"F 1000")
            self.answers += 1
            if self.answers % 2 == 0:
                rig.sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))


class ReadingPage(Client):
    # Reads every state, and every PAGE_TUNING_PERIOD_S or so tunes to a divider of its own;
    # counts the states' bytes and those after which the count of pages open that they state
    # fell to PAGES: the page that never reads dropped. Each tunes at once, then at random.
    state_bytes, last, words, dropped_after, due = 0, {}, 0, None, 0

    def begin(self):
        self.connection = page(self.port, timeout=ANSWER_TIMEOUT_S)
        self.choose = random.Random(self.name)

    def step(self):
        if time.monotonic() >= self.due:
            tune(lambda last: self.choose.choice([hz for hz in PAGE_HZ if hz != last]), self.tune)
            self.due = time.monotonic() + self.choose.uniform(0.5, 1.5) * PAGE_TUNING_PERIOD_S
        elif self.connection.pending or select.select(
                [self.connection.sock], [], [], max(self.due - time.monotonic(), 0))[0]:
            self.take(*self.connection.received("the next state", ANSWER_TIMEOUT_S))

    def tune(self, hz):
        # The first state that counts as many words loaded as there are tunings must show its
        # divider, an older one with the same divider not being enough.
        n, words, deadline = divider(hz), len(HZ), time.monotonic() + ANSWER_LIMIT_S
        self.connection.send({"do": "tune", "divider": n})
        while self.words < words:
            self.take(*self.connection.received(f"the state with divider {n} after {self.last}",
                                                max(deadline - time.monotonic(), 0.01)))
        expect(f"tuned to {n} as word {words}: the state", self.last.get("divider"), n)
        expect(f"tuned to {n}: the state {self.last}: words", self.words, words)

    def take(self, message, size):
        if message.get("type") != "state":
            return
        self.answers, self.last = self.answers + 1, message
        self.state_bytes += size
        if not (counts := COUNTS.search(message.get("statusDetail", ""))):
            raise AssertionError(f"a state that names no count of words or pages open: {message}")
        self.words = int(counts[1])
        if int(counts[2]) > PAGES:  # the page that never reads still open
            self.dropped_after = self.dropped_after or 0
        elif self.dropped_after == 0 and not STOP.is_set():  # not a reading page leaving at the end
            self.dropped_after = self.state_bytes


def soak(program):
    # Runs the clients for SECONDS, printing a line a minute, and checks what they leave; stops
    # early, clients and all, at the first failure.
    pid, rigctld, web = program.process.pid, program.rigctld_port, program.port
    stalled = page(web, timeout=ANSWER_TIMEOUT_S, rcvbuf=STALLED_RCVBUF)
    pages = [ReadingPage(f"page {i + 1}", web) for i in range(PAGES)]
    clients = [Tuner("tuner", rigctld), *pages, Dropper("dropper", rigctld),
               *(Poller(f"poller {i + 1} ({style})", rigctld, polls=polls)
                 for i, (style, polls) in enumerate(POLLERS))]
    for client in clients:
        client.start()
    start, rss_from, rss_end, minute = time.monotonic(), None, None, 0
    while (elapsed := time.monotonic() - start) < SECONDS and not failures and \
            program.process.poll() is None:
        rss_end = resident_kib(pid)
        rss_from = rss_from or (rss_end if elapsed >= RSS_FROM else None)
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
    if not failures:
        data, closed = drained(stalled.sock, ANSWER_TIMEOUT_S)
        stalled.sock.close()
        dropped = [p.dropped_after // KIB if p.dropped_after else None for p in pages]
        low, high = UNSENT_BYTES // KIB, (UNSENT_BYTES + KERNEL_BYTES) // KIB
        check(f"the page that never reads dropped after {low} to {high} KiB of states: the reading "
              f"pages saw it go after {dropped} KiB of {pages[0].state_bytes // KIB}; its "
              f"connection {'closed' if closed else 'open'}, "
              f"{(len(stalled.pending) + len(data)) // KIB} KiB left",
              closed and all(kib is not None and low <= kib <= high for kib in dropped))
        time.sleep(0.5)  # the last connections' ends handled
        busy = busy_seconds(pid)
        check(f"every client gone, the panel idle: busy {busy:.2f} s of 2", busy <= 0.1)
    if rss_from:
        growth = 100 * (rss_end - rss_from) / rss_from
        check(f"the memory after {SECONDS:g} s within {TOLERANCE:g} % of that after "
              f"{RSS_FROM:g} s: {rss_from} KiB, then {rss_end} KiB ({growth:+.1f} %)",
              abs(growth) <= TOLERANCE)
    print("answers: " + ", ".join(f"{c.name} {c.answers}" for c in clients) +
          f"; RSS {rss_from} KiB after {RSS_FROM:g} s, {rss_end} KiB at the end")
    if failures:
        print("the panel's standard error so far:\n" + program.stderr()[-20000:])


with tempfile.TemporaryDirectory(prefix="saa1057-soak-") as folder:
    trace = os.path.join(folder, "bus.vcd")
    # A service manager's SIGTERM.
    run_on_program([PROGRAM], "the soak", soak, "--headless", "--trace", trace, rigctld=True,
                   end_s=60)
    if CONFIRMED[0] == len(HZ) - 1:  # else a tuning failed, which says why
        words, expected = bus_words(trace), [format(divider(hz), "017b") for hz in HZ]
        check(f"the bus carries {len(expected)} words, the start-up's and one per tuning: "
              f"{len(words)} words, the first {len(os.path.commonprefix([words, expected]))} "
              f"right", words == expected)
print(f"soak of {SECONDS:g} s, {len(HZ) - 1} tunings")
finish()

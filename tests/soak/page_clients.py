"""The soak's web page clients, each a thread as in clients.py: pages that read every state and
tune now and then, and a stranger whose requests go past the server's limits; and the page that
never reads. Raw HTTP and WebSocket bytes, through the web tests' clients (web_support.py)."""
import itertools
import random
import re
import select
import time

from clients import ANSWER_TIMEOUT_S, REQUESTS, SLOWEST, VISITS, Client, divider, divider_hz
from web_support import drained, head, opened, page, status_of

KIB = 1024
# The server's limits, as the README's page section states them.
HEADER_BYTES, UNSENT_BYTES, REQUEST_S = 8 * KIB, 256 * KIB, 10
# What a page that stopped reading has waiting in the kernel besides the server's own count:
# the server's send buffer (64 KiB, which Linux doubles) and the page's receive buffer.
KERNEL_BYTES = 160 * KIB
STALLED_RCVBUF = 4 * KIB
# Often enough that the states for the page that never reads pass its limit within the short
# soak's first 30 s.
PAGE_TUNING_PERIOD_S = 0.25
# The page's dividers (63 to 120 MHz by 100 kHz) less the rigctld tuner's band (76 to 108 MHz),
# so that no tuning repeats the one before it and every one is a word on the bus.
PAGE_DIVIDERS = [n for n in range(7370, 13071, 10) if not 8670 <= n <= 11870]
STRANGER_STEP_S = 0.5
PAGES_OPEN = re.compile(r"(\d+) pages? open")
WORDS_LOADED = re.compile(r"(\d+) words? loaded")


def page_socket(port, timeout_s=ANSWER_TIMEOUT_S, rcvbuf=None):
    """A page's WebSocket, opened as a browser opens it."""
    connection = page(port, timeout=timeout_s, rcvbuf=rcvbuf)
    if connection.status != 101:
        raise AssertionError(f"the page's upgrade answered {connection.status}: "
                             f"{connection.headers}")
    return connection


class ReadingPage(Client):
    """Reads every state; every PAGE_TUNING_PERIOD_S or so tunes to a divider of its own and
    must see the state with it. Counts the states' bytes and, from the pages open that they
    state, the bytes after which the page that never reads was dropped."""

    def __init__(self, name, port, tunings, reading_pages, stop, failures):
        super().__init__(name, port, stop, failures, tunings)
        self.reading_pages, self.state_bytes, self.last, self.words = reading_pages, 0, {}, 0
        self.saw_stalled, self.dropped_after = False, None

    def soak(self):
        page = page_socket(self.port)
        choose = random.Random(self.name)
        due = time.monotonic() + choose.uniform(0, PAGE_TUNING_PERIOD_S)
        while not self.stop.is_set():
            if time.monotonic() >= due:
                with REQUESTS.passage():
                    self.tunings.tune(lambda last: divider_hz(choose.choice(
                        [n for n in PAGE_DIVIDERS if divider_hz(n) != last])),
                        lambda hz: self.tune(page, divider(hz), len(self.tunings.hz)))
                due = time.monotonic() + choose.uniform(0.5, 1.5) * PAGE_TUNING_PERIOD_S
            elif page.pending or select.select([page.sock], [], [],
                                               max(due - time.monotonic(), 0))[0]:
                self.take(*page.received("the next state", ANSWER_TIMEOUT_S))

    def tune(self, page, n, words):
        """Tunes to divider `n`, the `words`th word: the first state that counts as many
        loaded must show it, an older one with the same divider not being enough."""
        asked = time.monotonic()
        page.send({"do": "tune", "divider": n})
        while self.words < words:
            left = asked + ANSWER_TIMEOUT_S - time.monotonic()
            try:
                self.take(*page.received(f"state with divider {n}", max(left, 0.01)))
            except AssertionError as failure:
                raise AssertionError(f"{failure}; the last state seen: {self.last}") from None
        if self.last["divider"] != n or self.words != words:
            raise AssertionError(f"tuned to {n} as word {words}; the state: {self.last}")
        SLOWEST.record("page", time.monotonic() - asked, f"tune to {n}")

    def take(self, message, size):
        if message.get("type") != "state":
            return
        self.answers += 1
        self.state_bytes += size
        self.last = message
        detail = message.get("statusDetail", "")
        found, words = PAGES_OPEN.search(detail), WORDS_LOADED.search(detail)
        if not found or not words:
            raise AssertionError(f"a state that names no count of pages open or words: {message}")
        self.words = int(words[1])
        if int(found[1]) > self.reading_pages:
            self.saw_stalled = True
        elif self.saw_stalled and self.dropped_after is None and not self.stop.is_set():
            self.dropped_after = self.state_bytes  # not a reading page leaving at the end


class StalledPage:
    """A page that reads nothing after its upgrade, with a small receive buffer: the server must
    drop it once what waits for it passes UNSENT_BYTES."""

    def __init__(self, port):
        self.page = page_socket(port, rcvbuf=STALLED_RCVBUF)

    def closed_by_server(self):
        """Whether the server closed it, and the bytes it had left to read: all it was sent is
        read to the end, within a bound."""
        data, closed = drained(self.page.sock, ANSWER_TIMEOUT_S)
        self.page.sock.close()
        return closed, len(self.page.pending) + len(data)


class Stranger(Client):
    """Over and over, a round: a request that trickles in a byte at a time and one left
    half-sent, which the server must close REQUEST_S after they began; meanwhile requests past
    the limits, each refused with its status before the rest of it is sent."""

    def __init__(self, name, port, stop, failures):
        super().__init__(name, port, stop, failures)
        self.past_limits = [  # (what, request, status)
            (f"headers of {HEADER_BYTES // KIB} KiB and more",
             head(port) + b"X-Filler: " + b"x" * HEADER_BYTES + b"\r\n\r\n", 431),
            ("a body of 300 MiB",
             head(port, method="POST", path="/login") + b"Content-Length: %d\r\n\r\n" % (300 << 20),
             413)]
        self.rounds = 0

    def soak(self):
        while not self.stop.is_set():
            with VISITS.passage():
                self.round()

    def round(self):
        slow, half = opened(self.port, ANSWER_TIMEOUT_S), opened(self.port, ANSWER_TIMEOUT_S)
        started = time.monotonic()
        slow.sendall(head(self.port) + b"X-Slow: ")
        half.sendall(head(self.port) + b"X-Half: ")
        waiting = {"a request that trickles in": slow, "a request left half-sent": half}
        past_limits = itertools.cycle(self.past_limits)
        try:
            while waiting and not self.stop.is_set():
                elapsed = time.monotonic() - started
                for name, connection in list(waiting.items()):
                    if drained(connection, 0)[1]:
                        if elapsed < REQUEST_S - 1:
                            raise AssertionError(f"{name}: closed after {elapsed:.1f} s, not "
                                                 f"{REQUEST_S}")
                        del waiting[name]
                if waiting and elapsed > REQUEST_S + 3:
                    raise AssertionError(f"{' and '.join(waiting)}: still open {elapsed:.1f} s "
                                         f"on, not closed after {REQUEST_S}")
                if slow in waiting.values():
                    try:
                        slow.send(b"s")
                    except OSError:
                        pass  # closed: seen the next step
                self.refused(*next(past_limits))
                self.stop.wait(STRANGER_STEP_S)
            self.rounds += 1
        finally:
            slow.close()
            half.close()

    def refused(self, what, request, status):
        asked = time.monotonic()
        with opened(self.port, ANSWER_TIMEOUT_S) as connection:
            connection.sendall(request)
            answered = status_of(connection, ANSWER_TIMEOUT_S)
        SLOWEST.record("page", time.monotonic() - asked, what)
        if answered != status:
            raise AssertionError(f"{what}: answered {answered}, not {status}")
        self.answers += 1

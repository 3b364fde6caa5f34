"""The soak's web page clients, each a thread as in clients.py: pages that read every state and
tune now and then, and a stranger whose requests go past the server's limits; and the page that
never reads. Raw HTTP and WebSocket bytes, as tests/web/limits_test.py sends them."""
import base64
import itertools
import json
import os
import random
import re
import select
import socket
import time

from clients import ANSWER_TIMEOUT_S, REQUESTS, SLOWEST, VISITS, Client, divider, divider_hz

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


def request_head(port, method="GET", path="/"):
    return f"{method} {path} HTTP/1.1\r\nHost: 127.0.0.1:{port}\r\n".encode()


def opened(port, timeout_s=ANSWER_TIMEOUT_S, rcvbuf=None):
    connection = socket.socket()
    if rcvbuf:
        connection.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, rcvbuf)
    connection.settimeout(timeout_s)
    connection.connect(("127.0.0.1", port))
    return connection


def closed(connection):
    """Whether the server has closed `connection`; what it sent before is dropped."""
    if not select.select([connection], [], [], 0)[0]:
        return False
    try:
        return not connection.recv(65536)
    except OSError:
        return True


class PageSocket:
    """A page's WebSocket, opened as a browser opens it."""

    def __init__(self, port, timeout_s=ANSWER_TIMEOUT_S, rcvbuf=None):
        self.socket = opened(port, timeout_s, rcvbuf)
        key = base64.b64encode(os.urandom(16)).decode()
        self.socket.sendall(request_head(port, path="/socket") + (
            f"Origin: http://127.0.0.1:{port}\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
            f"Sec-WebSocket-Version: 13\r\nSec-WebSocket-Key: {key}\r\n\r\n").encode())
        self.pending = b""
        while b"\r\n\r\n" not in self.pending:
            self.pending += self.chunk("the upgrade's answer", timeout_s)
        answer, self.pending = self.pending.split(b"\r\n\r\n", 1)
        if not answer.startswith(b"HTTP/1.1 101 "):
            raise AssertionError(f"the page's upgrade answered {answer!r}")

    def chunk(self, what, seconds):
        self.socket.settimeout(seconds)
        try:
            chunk = self.socket.recv(65536)
        except TimeoutError:
            raise AssertionError(f"no {what} within {seconds:.2f} s") from None
        if not chunk:
            raise AssertionError(f"the server closed the page before {what}")
        return chunk

    def send(self, message):
        """A masked text frame, as a browser sends; the page's are shorter than 126 bytes."""
        data, mask = json.dumps(message).encode(), os.urandom(4)
        self.socket.sendall(bytes([0x81, 0x80 | len(data)]) + mask +
                            bytes(b ^ mask[i % 4] for i, b in enumerate(data)))

    def receive(self, what, seconds):
        """The next text message and its size, the server's frames being unmasked."""
        while (frame := self.whole_frame()) is None:
            self.pending += self.chunk(what, seconds)
        opcode, payload = frame
        if opcode == 8:
            raise AssertionError(f"the server closed the page ({payload[:2].hex()}) before {what}")
        return (json.loads(payload), len(payload)) if opcode == 1 else self.receive(what, seconds)

    def whole_frame(self):
        """The first frame received, taken off what is pending, or None until it is whole."""
        data = self.pending
        if len(data) < 2:
            return None
        size, start = data[1] & 0x7F, 2
        if size >= 126:
            start = 4 if size == 126 else 10
            if len(data) < start:
                return None
            size = int.from_bytes(data[2:start], "big")
        if len(data) < start + size:
            return None
        self.pending = data[start + size:]
        return data[0] & 0x0F, data[start:start + size]


class ReadingPage(Client):
    """Reads every state; every PAGE_TUNING_PERIOD_S or so tunes to a divider of its own and
    must see the state with it. Counts the states' bytes and, from the pages open that they
    state, the bytes after which the page that never reads was dropped."""

    def __init__(self, name, port, tunings, reading_pages, stop, failures):
        super().__init__(name, port, stop, failures, tunings)
        self.reading_pages, self.state_bytes, self.last, self.words = reading_pages, 0, {}, 0
        self.saw_stalled, self.dropped_after = False, None

    def soak(self):
        page = PageSocket(self.port)
        choose = random.Random(self.name)
        due = time.monotonic() + choose.uniform(0, PAGE_TUNING_PERIOD_S)
        while not self.stop.is_set():
            if time.monotonic() >= due:
                with REQUESTS.passage():
                    self.tunings.tune(lambda last: divider_hz(choose.choice(
                        [n for n in PAGE_DIVIDERS if divider_hz(n) != last])),
                        lambda hz: self.tune(page, divider(hz), len(self.tunings.hz)))
                due = time.monotonic() + choose.uniform(0.5, 1.5) * PAGE_TUNING_PERIOD_S
            elif page.pending or select.select([page.socket], [], [],
                                               max(due - time.monotonic(), 0))[0]:
                self.take(*page.receive("the next state", ANSWER_TIMEOUT_S))

    def tune(self, page, n, words):
        """Tunes to divider `n`, the `words`th word: the first state that counts as many
        loaded must show it, an older one with the same divider not being enough."""
        asked = time.monotonic()
        page.send({"do": "tune", "divider": n})
        while self.words < words:
            left = asked + ANSWER_TIMEOUT_S - time.monotonic()
            try:
                self.take(*page.receive(f"state with divider {n}", max(left, 0.01)))
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
        self.page = PageSocket(port, rcvbuf=STALLED_RCVBUF)

    def closed_by_server(self):
        """Whether the server closed it, and the bytes it had left to read: all it was sent is
        read to the end, within a bound."""
        deadline, left = time.monotonic() + ANSWER_TIMEOUT_S, len(self.page.pending)
        self.page.socket.settimeout(ANSWER_TIMEOUT_S)
        try:
            while time.monotonic() < deadline:
                if not (chunk := self.page.socket.recv(1 << 20)):
                    return True, left
                left += len(chunk)
        except TimeoutError:
            pass
        except OSError:
            return True, left
        finally:
            self.page.socket.close()
        return False, left


class Stranger(Client):
    """Over and over, a round: a request that trickles in a byte at a time and one left
    half-sent, which the server must close REQUEST_S after they began; meanwhile requests past
    the limits, each refused with its status before the rest of it is sent."""

    def __init__(self, name, port, stop, failures):
        super().__init__(name, port, stop, failures)
        self.past_limits = [  # (what, request, status)
            (f"headers of {HEADER_BYTES // KIB} KiB and more",
             request_head(port) + b"X-Filler: " + b"x" * HEADER_BYTES + b"\r\n\r\n", 431),
            ("a body of 300 MiB",
             request_head(port, "POST", "/login") + b"Content-Length: %d\r\n\r\n" % (300 << 20),
             413)]
        self.rounds = 0

    def soak(self):
        while not self.stop.is_set():
            with VISITS.passage():
                self.round()

    def round(self):
        slow, half = opened(self.port), opened(self.port)
        started = time.monotonic()
        slow.sendall(request_head(self.port) + b"X-Slow: ")
        half.sendall(request_head(self.port) + b"X-Half: ")
        waiting = {"a request that trickles in": slow, "a request left half-sent": half}
        past_limits = itertools.cycle(self.past_limits)
        try:
            while waiting and not self.stop.is_set():
                elapsed = time.monotonic() - started
                for name, connection in list(waiting.items()):
                    if closed(connection):
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
        with opened(self.port) as connection:
            connection.sendall(request)
            try:
                line = connection.makefile("rb").readline()
            except OSError as error:
                line = repr(error).encode()
        SLOWEST.record("page", time.monotonic() - asked, what)
        if not line.startswith(b"HTTP/1.1 %d " % status):
            raise AssertionError(f"{what}: answered {line!r}, not {status}")
        self.answers += 1

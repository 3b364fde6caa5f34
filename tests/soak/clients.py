"""The soak's rigctld clients, each a thread: pollers as gpredict and fldigi poll, a tuner, a
client that never reads, and one that drops mid-command. Each checks every answer it gets and
records what went wrong in the shared list of failures; the first failure ends that client.
What all the soak's clients share: the log of tunings, the gates that the descriptor flood shuts
and the slowest answer of each kind."""
import contextlib
import socket
import struct
import threading
import time

from web_support import Rigctld

ANSWER_TIMEOUT_S = 10  # a sanitized panel on a loaded machine, yet a hang fails fast
# The flood shuts the gates for less than this: the stranger's round, the flood, the recovery.
GATE_TIMEOUT_S = 60
STARTUP_HZ = 106_200_000
TUNING_PERIOD_S = 0.1
POLL_PAUSE_S = 0.02
DROPPER_PERIOD_S = 1.0  # long enough for the panel to let the last visit's slot go
# The 10 kHz steps from 76 to 108 MHz, visited in a stride prime to their number: each tuning
# moves the divider, and a frequency comes back only 3201 tunings later, so that a poller's
# answer names one tuning within the few that can be in flight.
BAND_LOW_HZ, BAND_STEPS, STRIDE = 76_000_000, 3201, 1009


def tuning_hz(index):
    """The frequency of the tuner's tuning `index`."""
    return BAND_LOW_HZ + (7 + index * STRIDE) % BAND_STEPS * 10_000


def divider(freq_hz):
    """N for a received frequency: the oscillator runs 10.7 MHz above it, in 10 kHz steps."""
    return (freq_hz + 10_700_000) // 10_000


def divider_hz(n):
    return n * 10_000 - 10_700_000


class Slowest:
    """The slowest answer of each kind ("rigctld", "page") and to what, for the verdict."""

    def __init__(self):
        self.lock, self.answers = threading.Lock(), {}

    def record(self, kind, seconds, what):
        with self.lock:
            if seconds > self.answers.get(kind, (0, ""))[0]:
                self.answers[kind] = (seconds, what)


class Gate:
    """What the descriptor flood holds back: a passage waits while the gate is shut, and
    shutting it waits for the passages under way."""

    def __init__(self):
        self.changed, self.passing, self.is_shut = threading.Condition(), 0, False

    @contextlib.contextmanager
    def passage(self):
        with self.changed:
            if not self.changed.wait_for(lambda: not self.is_shut, GATE_TIMEOUT_S):
                raise AssertionError(f"held back by the flood for more than {GATE_TIMEOUT_S} s")
            self.passing += 1
        try:
            yield
        finally:
            with self.changed:
                self.passing -= 1
                self.changed.notify_all()

    @contextlib.contextmanager
    def shut(self, what, seconds):
        with self.changed:
            self.is_shut = True
        try:
            with self.changed:
                if not self.changed.wait_for(lambda: self.passing == 0, seconds):
                    raise AssertionError(f"{what} still under way {seconds} s after the gate shut")
            yield
        finally:
            with self.changed:
                self.is_shut = False
                self.changed.notify_all()


SLOWEST = Slowest()
# Shut by the flood: the steady clients' requests, and the visits that open new connections.
REQUESTS, VISITS = Gate(), Gate()


class Tunings:
    """Every tuning, the rigctld tuner's and the pages', made one at a time: each waits until the
    last is carried out, so that the bus carries them in this order and a page sees the state of
    its own, not one that a tuning right behind it replaced in the same turn of the event loop.
    `hz` holds them all, the start-up's first; `confirmed` indexes the last carried out."""

    def __init__(self):
        self.hz, self.confirmed = [STARTUP_HZ], 0
        self.turn = threading.Lock()

    def tune(self, pick, carry_out):
        """Tunes to pick(the last tuning's frequency) through carry_out(hz)."""
        if not self.turn.acquire(timeout=2 * ANSWER_TIMEOUT_S):
            raise AssertionError(f"no turn to tune within {2 * ANSWER_TIMEOUT_S} s")
        try:
            self.hz.append(pick(self.hz[-1]))
            carry_out(self.hz[-1])
            self.confirmed = len(self.hz) - 1
        finally:
            self.turn.release()

    def read_back(self, ask, after):
        """Asks `f` through `ask`; the tuning it answers, which must be one already confirmed
        or in flight and none before tuning `after`."""
        lowest = max(after, self.confirmed)
        answer = ask(b"f\n", 1)
        highest = len(self.hz) - 1
        for index in range(lowest, highest + 1):
            if answer == b"%d\n" % self.hz[index]:
                return index
        raise AssertionError(f"f answered {answer!r}, none of tunings {lowest} to {highest}: "
                             f"{self.hz[lowest:highest + 1]}")


class Connection(Rigctld):
    """One client's connection, asking one request at a time as Hamlib's clients do; each
    answer's time counts towards the slowest."""

    def __init__(self, port):
        super().__init__(port, ANSWER_TIMEOUT_S)

    def ask(self, request, lines):
        asked = time.monotonic()
        answer = super().ask(request, lines)
        SLOWEST.record("rigctld", time.monotonic() - asked, request)
        return answer


class Client(threading.Thread):
    def __init__(self, name, port, stop, failures, tunings=None):
        super().__init__(name=name, daemon=True)
        self.port, self.stop, self.failures, self.tunings = port, stop, failures, tunings
        self.answers = 0

    def run(self):
        try:
            self.soak()
        except (AssertionError, OSError) as failure:
            self.failures.append(f"{self.name}: {failure}")


class Tuner(Client):
    """Tunes every TUNING_PERIOD_S, padded as gpredict pads; `answers` counts its tunings."""

    def __init__(self, connection, tunings, stop, failures):
        super().__init__("tuner", None, stop, failures, tunings)
        self.connection = connection

    def soak(self):
        start = time.monotonic()
        while not self.stop.is_set():
            with REQUESTS.passage():
                self.tunings.tune(lambda _: tuning_hz(self.answers), self.ask_tuning)
            self.answers += 1
            self.stop.wait(start + self.answers * TUNING_PERIOD_S - time.monotonic())

    def ask_tuning(self, hz):
        answer = self.connection.ask(b"F %10d\n" % hz, 1)
        if answer != b"RPRT 0\n":
            raise AssertionError(f"tuning {self.answers} ({hz} Hz) answered {answer!r}")


class Poller(Client):
    """Polls f, m and v, and the carrier detect as gpredict asks for it (raw byte 0x8b), one
    request at a time. Nobody sets the mode or the VFO, so those answers never change."""

    STEADY = {"fldigi": [(b"m\n", b"WFM\n230000\n"), (b"v\n", b"VFOA\n")],
              "gpredict": [(b"\x8b\n", b"0\n"), (b"m\n", b"WFM\n230000\n"), (b"v\n", b"VFOA\n")]}

    def __init__(self, name, style, port, tunings, stop, failures):
        super().__init__(name, port, stop, failures, tunings)
        self.style = style

    def soak(self):
        connection = Connection(self.port)
        tuning = 0
        while not self.stop.wait(POLL_PAUSE_S):
            with REQUESTS.passage():
                tuning = self.tunings.read_back(connection.ask, tuning)
                self.answers += 1
                for request, expected in self.STEADY[self.style]:
                    answer = connection.ask(request, expected.count(b"\n"))
                    if answer != expected:
                        raise AssertionError(f"{request!r} answered {answer!r}, not {expected!r}")
                    self.answers += 1
        if extra := connection.more(0.5):
            raise AssertionError(f"answers beyond its requests: {extra!r}")


class Dropper(Client):
    """Comes back every DROPPER_PERIOD_S, reads the frequency, sends half a tuning and leaves:
    by closing the connection, or every other visit by resetting it."""

    def soak(self):
        tuning = 0
        while not self.stop.wait(DROPPER_PERIOD_S):
            try:
                with VISITS.passage():
                    connection = Connection(self.port)
                    tuning = self.tunings.read_back(connection.ask, tuning)
                    connection.sock.sendall(b"F 1000")
            except (AssertionError, OSError) as failure:
                raise AssertionError(f"visit {self.answers + 1} not served: {failure}") from None
            self.answers += 1
            if self.answers % 2 == 0:
                connection.sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER,
                                           struct.pack("ii", 1, 0))
            connection.sock.close()


class NonReader(Client):
    """Sends `v` and `m` for as long as the panel takes them and reads nothing; at the end it
    reads, and every request it sent must have its answer, whole and in order."""

    REQUESTS, ANSWERS = b"v\nm\n", b"VFOA\nWFM\n230000\n"

    def soak(self):
        # Small buffers of its own, so that less waits in the kernel to be read at the end.
        self.socket = socket.socket()
        for buffer in (socket.SO_SNDBUF, socket.SO_RCVBUF):
            self.socket.setsockopt(socket.SOL_SOCKET, buffer, 65536)
        self.socket.connect(("127.0.0.1", self.port))
        self.socket.setblocking(False)
        self.sent_bytes, self.started = 0, time.monotonic()
        self.last_taken = self.started
        burst = self.REQUESTS * 1025
        while not self.stop.is_set():
            offset = self.sent_bytes % len(self.REQUESTS)
            try:
                self.sent_bytes += self.socket.send(burst[offset:offset + 4096])
                self.last_taken = time.monotonic()
            except BlockingIOError:
                self.stop.wait(0.05)

    def read_all(self):
        """Reads the answers to all it sent, and half a second more for any beyond them;
        returns them and what they must be."""
        units, rest = divmod(self.sent_bytes, len(self.REQUESTS))
        expected = self.ANSWERS * units + (b"VFOA\n" if rest >= 2 else b"")
        received = bytearray()
        self.socket.setblocking(True)
        for timeout_s in (ANSWER_TIMEOUT_S, 0.5):
            self.socket.settimeout(timeout_s)
            try:
                while chunk := self.socket.recv(1 << 20):
                    received += chunk
                    if len(received) >= len(expected) and timeout_s == ANSWER_TIMEOUT_S:
                        break
            except TimeoutError:
                pass  # all there is: compared by the caller
        self.socket.close()
        return bytes(received), expected

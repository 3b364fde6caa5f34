"""The soak's rigctld clients, each a thread: pollers as gpredict and fldigi poll, a tuner, a
client that never reads, and one that drops mid-command. Each checks every answer it gets and
records what went wrong in the shared list of failures; the first failure ends that client."""
import socket
import struct
import threading
import time

ANSWER_TIMEOUT_S = 10  # a sanitized panel on a loaded machine, yet a hang fails fast
STARTUP_HZ = 106_200_000
TUNING_PERIOD_S = 0.1
POLL_PAUSE_S = 0.02
DROPPER_PERIOD_S = 1.0  # long enough for the panel to let the last visit's slot go
# The 10 kHz steps from 76 to 108 MHz, visited in a stride prime to their number: each tuning
# moves the divider, and a frequency comes back only 3201 tunings later, so that a poller's
# answer names one tuning within the few that can be in flight.
BAND_LOW_HZ, BAND_STEPS, STRIDE = 76_000_000, 3201, 1009


def tuning_hz(index):
    """The frequency of tuning `index`; -1 is the panel's start-up frequency."""
    if index < 0:
        return STARTUP_HZ
    return BAND_LOW_HZ + (7 + index * STRIDE) % BAND_STEPS * 10_000


class Connection:
    """One client's connection, asking one request at a time as Hamlib's clients do."""

    def __init__(self, port):
        self.socket = socket.create_connection(("127.0.0.1", port), timeout=ANSWER_TIMEOUT_S)
        self.pending = b""

    def ask(self, request, lines):
        """The answer to `request`, `lines` lines long, with anything more that came with it."""
        self.socket.sendall(request)
        while self.pending.count(b"\n") < lines:
            try:
                chunk = self.socket.recv(65536)
            except TimeoutError:
                raise AssertionError(f"no answer to {request!r} within {ANSWER_TIMEOUT_S} s, "
                                     f"only {self.pending!r}") from None
            if not chunk:
                raise AssertionError(f"the panel closed the connection before answering "
                                     f"{request!r}, after {self.pending!r}")
            self.pending += chunk
        answer, self.pending = self.pending, b""
        return answer


class Client(threading.Thread):
    def __init__(self, name, port, stop, failures, tuner=None):
        super().__init__(name=name, daemon=True)
        self.port, self.stop, self.failures, self.tuner = port, stop, failures, tuner
        self.answers = 0

    def run(self):
        try:
            self.soak()
        except (AssertionError, OSError) as failure:
            self.failures.append(f"{self.name}: {failure}")


class Tuner(Client):
    """Tunes every TUNING_PERIOD_S, padded as gpredict pads. `sent` counts the tunings sent
    and `confirmed` those answered, which bound what a poller may read back."""

    def __init__(self, connection, stop, failures):
        super().__init__("tuner", None, stop, failures)
        self.connection = connection
        self.sent = self.confirmed = 0

    def soak(self):
        start = time.monotonic()
        while not self.stop.is_set():
            index = self.sent
            self.sent += 1
            answer = self.connection.ask(b"F %10d\n" % tuning_hz(index), 1)
            if answer != b"RPRT 0\n":
                raise AssertionError(f"tuning {index} answered {answer!r}")
            self.confirmed += 1
            self.answers += 1
            self.stop.wait(start + self.sent * TUNING_PERIOD_S - time.monotonic())

    def read_back(self, ask, after):
        """Asks `f` through `ask`; the tuning it answers, which must be one already confirmed
        or in flight and none before tuning `after`."""
        lowest = max(after, self.confirmed - 1)
        answer = ask(b"f\n", 1)
        highest = self.sent - 1
        for index in range(lowest, highest + 1):
            if answer == b"%d\n" % tuning_hz(index):
                return index
        raise AssertionError(f"f answered {answer!r}, none of tunings {lowest} to {highest}")


class Poller(Client):
    """Polls f, m and v, and the carrier detect as gpredict asks for it (raw byte 0x8b), one
    request at a time. Nobody sets the mode or the VFO, so those answers never change."""

    STEADY = {"fldigi": [(b"m\n", b"WFM\n230000\n"), (b"v\n", b"VFOA\n")],
              "gpredict": [(b"\x8b\n", b"0\n"), (b"m\n", b"WFM\n230000\n"), (b"v\n", b"VFOA\n")]}

    def __init__(self, name, style, port, tuner, stop, failures):
        super().__init__(name, port, stop, failures, tuner)
        self.style = style

    def soak(self):
        connection = Connection(self.port)
        tuning = -1
        while not self.stop.wait(POLL_PAUSE_S):
            tuning = self.tuner.read_back(connection.ask, tuning)
            self.answers += 1
            for request, expected in self.STEADY[self.style]:
                answer = connection.ask(request, expected.count(b"\n"))
                if answer != expected:
                    raise AssertionError(f"{request!r} answered {answer!r}, not {expected!r}")
                self.answers += 1
        connection.socket.settimeout(0.5)
        try:
            extra = connection.socket.recv(65536)
        except TimeoutError:
            extra = b""
        if extra:
            raise AssertionError(f"answers beyond its requests: {extra!r}")


class Dropper(Client):
    """Comes back every DROPPER_PERIOD_S, reads the frequency, sends half a tuning and leaves:
    by closing the connection, or every other visit by resetting it."""

    def soak(self):
        tuning = -1
        while not self.stop.wait(DROPPER_PERIOD_S):
            try:
                connection = Connection(self.port)
                tuning = self.tuner.read_back(connection.ask, tuning)
                connection.socket.sendall(b"F 1000")
            except (AssertionError, OSError) as failure:
                raise AssertionError(f"visit {self.answers + 1} not served: {failure}") from None
            self.answers += 1
            if self.answers % 2 == 0:
                connection.socket.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER,
                                             struct.pack("ii", 1, 0))
            connection.socket.close()


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

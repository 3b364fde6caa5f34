"""The soak's descriptor flood, a client of both servers: once, the panel is left a few
descriptors and sent many idle connections. Neither listener may spin on its failed accepts, and
both must serve new clients again soon after."""
import os
import resource
import time

from clients import ANSWER_TIMEOUT_S, DROPPER_PERIOD_S, REQUESTS, VISITS, Client
from page_clients import REQUEST_S, page_socket
from web_support import Rigctld, opened

# Descriptors the panel may open beyond those it has: fewer than the flood's connections.
FLOOD_SPARE = 6
FLOOD_CONNECTIONS = {"web page": 40, "rigctld": 20}
# CPU time over 2 s: a listener that spins takes all of it.
BUSY_S = 0.2
RECOVERY_S = 5


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat", encoding="ascii") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def busy_seconds(pid, seconds=2):
    before = cpu_seconds(pid)
    time.sleep(seconds)
    return cpu_seconds(pid) - before


class Flood(Client):
    """`at` seconds in, the new connections' visits finished and the other clients' requests
    held back, so that only the flood can make the panel busy: the panel's soft limit on
    descriptors lowered to FLOOD_SPARE above those open, FLOOD_CONNECTIONS opened and left
    idle; then closed, the limit restored, and a new rigctld client and a new page must each be
    answered within RECOVERY_S."""

    def __init__(self, name, pid, ports, tunings, at, stop, failures):
        super().__init__(name, None, stop, failures, tunings)
        self.pid, self.ports, self.at = pid, ports, at
        self.seen = None  # what the flood found, for the report

    def soak(self):
        if self.stop.wait(self.at):
            return
        # The stranger's round runs its REQUEST_S and a few more.
        with VISITS.shut("the stranger's round or the dropper's visit", 2 * REQUEST_S):
            with REQUESTS.shut("a client's request", ANSWER_TIMEOUT_S):
                time.sleep(0.5)  # the last answers on their way
                ended = self.flood()
            answered = {what: self.answered_after(ended, what, ask)
                        for what, ask in (("a new rigctld client", self.rigctld_answer),
                                          ("a new page", self.page_answer))}
            self.seen += ", then " + " and ".join(f"{what} answered {seconds:.2f} s after it"
                                                   for what, seconds in answered.items())
            # As long as the dropper gives the panel to let a connection's slot go.
            self.stop.wait(DROPPER_PERIOD_S)
        self.answers += 1

    def flood(self):
        in_use = len(os.listdir(f"/proc/{self.pid}/fd"))
        limits = resource.prlimit(self.pid, resource.RLIMIT_NOFILE)
        resource.prlimit(self.pid, resource.RLIMIT_NOFILE, (in_use + FLOOD_SPARE, limits[1]))
        idle = []
        try:
            for server, count in FLOOD_CONNECTIONS.items():
                idle += [opened(self.ports[server], ANSWER_TIMEOUT_S) for _ in range(count)]
            time.sleep(0.5)  # each listener out of descriptors by now
            busy = busy_seconds(self.pid)
            flooded = len(os.listdir(f"/proc/{self.pid}/fd"))
        finally:
            for connection in idle:
                connection.close()
            resource.prlimit(self.pid, resource.RLIMIT_NOFILE, limits)
        self.seen = (f"{in_use} descriptors open and {FLOOD_SPARE} more allowed, {flooded} open "
                     f"under {len(idle)} idle connections; the panel busy {busy:.2f} s of 2")
        if busy > BUSY_S or flooded < in_use + FLOOD_SPARE - 1:
            raise AssertionError(f"{self.seen}: a listener spins, or the flood left descriptors")
        return time.monotonic()

    def answered_after(self, ended, what, ask):
        """Seconds from the flood's end until `ask` is answered, asking again while refused."""
        while True:
            try:
                ask()
                return time.monotonic() - ended
            except (AssertionError, OSError) as failure:
                if time.monotonic() - ended > RECOVERY_S:
                    raise AssertionError(f"{self.seen}; {what} not answered within {RECOVERY_S}"
                                         f" s of the flood's end: {failure}") from None
            self.stop.wait(0.1)

    def rigctld_answer(self):
        # Turned away while the flood's connections still hold the last slot.
        with Rigctld(self.ports["rigctld"], timeout=1) as connection:
            self.tunings.read_back(connection.ask, 0)

    def page_answer(self):
        with page_socket(self.ports["web page"], timeout_s=1) as page:
            page.await_message("a state", {"type": "state"}, seconds=1)

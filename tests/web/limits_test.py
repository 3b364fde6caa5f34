#!/usr/bin/env python3
"""What a stranger may cost the page's server, tried on the real program, each limit on its own
so that each fails when its limit changes: in a few seconds, or with --slow the minute that an
idle keep-alive connection and a page that answers no ping take. A page's unsent data is the
soak's (tests/soak).

Usage: limits_test.py PROGRAM [--slow]
"""
import contextlib
import os
import re
import resource
import select
import statistics
import sys
import time

from web_support import (Closed, Failed, Rigctld, busy_seconds, check, drained, finish, frame,
                         opened, page, program_command, resident_kib, run_on_program, tables,
                         until)

PROGRAM = program_command(sys.argv[1:])
SLOW = sys.argv[-1] == "--slow"
KIB = 1024
# The limits, as the README states them.
BODY_BYTES, CONNECTIONS, PAGES = 4 * KIB, 32, 16
REQUEST_SECONDS, IDLE_SECONDS, PING_SECONDS, ACCEPT_RETRY_SECONDS = 10, 60, 30, 0.25
# What a header line without end may grow the program by.
GROWTH_KIB = 4 * KIB


def head(port, extra="", method="GET", path="/"):
    return f"{method} {path} HTTP/1.1\r\nHost: 127.0.0.1:{port}\r\n{extra}".encode()


def status_of(connection, seconds=5):
    """The answer's status, or "closed" if the server closed or reset the connection first."""
    connection.settimeout(seconds)
    try:
        line = connection.makefile("rb").readline()
    except TimeoutError:
        raise Failed(f"waited {seconds} s for an answer or the connection's end") from None
    except OSError:
        line = b""
    found = re.match(rb"HTTP/1\.1 (\d{3}) ", line)
    return int(found[1]) if found else line.decode(errors="replace") or "closed"


def answer_to(program, what, size=0):
    if what == "a message":  # a frequency out of range, padded: refused if read at all
        with page(program.port) as connection, contextlib.suppress(Closed):
            request = b'{"do": "frequency", "mhz": "130", "pad": "'
            connection.sock.sendall(frame(request + b"p" * (size - len(request) - 2) + b'"}'))
            return connection.await_message("a refusal", {"type": "refused"}, 5) and "answered"
        return "closed"
    with opened(program.port) as connection:
        if what == "headers":
            filler = "x" * (size - len(head(program.port)) - len("X-Filler: \r\n\r\n"))
            connection.sendall(head(program.port, f"X-Filler: {filler}\r\n\r\n"))
        elif what == "a body":  # sent only within the limit: the length alone is refused
            connection.sendall(head(program.port, f"Content-Length: {size}\r\n\r\n", "POST",
                                    "/login") + b"p" * size * (size <= BODY_BYTES))
        else:
            connection.sendall(head(program.port, "\r\n"))
        return status_of(connection)


def sizes(program):
    for what, size, expected in tables(os.path.join(os.path.dirname(__file__), "limits.txt"))[""]:
        answer = str(answer_to(program, what, int(size)))
        check(f"{what} of {size} bytes: {expected}", answer == expected, f"got {answer}")
    before, sent = resident_kib(program.process.pid), 0
    with opened(program.port) as connection, contextlib.suppress(OSError):
        connection.sendall(head(program.port, "X-Endless: "))
        while sent < 64 * KIB * KIB:
            sent += connection.send(b"y" * (64 * KIB))
    grown = resident_kib(program.process.pid) - before
    check(f"a header line without end: cut off after {sent} bytes, not 64 MiB, the program "
          f"grown by at most {GROWTH_KIB} KiB", sent < 64 * KIB * KIB and grown <= GROWTH_KIB,
          f"grown {grown} KiB")


# As many as the limit held open: one more refused (an HTTP connection closed unanswered), and
# let in once one has closed.
def counts(program):
    for what, limit, hold, ask, refused, admitted in [
            ("connection", CONNECTIONS, lambda: opened(program.port),
             lambda: answer_to(program, ""), "closed", 200),
            ("page", PAGES, lambda: page(program.port).sock,
             lambda: page(program.port).status, 403, 101)]:
        held = [hold() for _ in range(limit)]
        try:
            check(f"{what} {limit + 1}: refused, {refused}", (seen := ask()) == refused, seen)
            held.pop().close()
            until(f"{what} {limit + 1}: {admitted} once one has closed", ask,
                  lambda seen: seen == admitted)
        finally:
            for each in held:
                each.close()


# No descriptors left: the page's listener tries again every so often. Given back one at a time,
# each goes to the next connection waiting (they are taken in order) at the listener's next try.
def descriptor_flood(program):
    pid, nofile = program.process.pid, resource.RLIMIT_NOFILE
    limit, kept = len(os.listdir(f"/proc/{pid}/fd")), resource.prlimit(pid, nofile)
    resource.prlimit(pid, nofile, (limit, kept[1]))
    flood, answered = [opened(program.port) for _ in range(8)], []
    try:
        for connection in flood:
            connection.sendall(head(program.port, "\r\n"))
        time.sleep(0.3)  # one counted while in use for a moment goes to the first of them
        for connection in [c for c in flood if c not in select.select(flood, [], [], 0)[0]][:5]:
            resource.prlimit(pid, nofile, (limit := limit + 1, kept[1]))
            if not select.select([connection], [], [], 5)[0]:
                raise Failed("waited 5 s for an answer once a descriptor was given back")
            answered.append(time.monotonic())
        flood += [opened(program.rigctld_port) for _ in range(20)]
        busy = busy_seconds(pid)
        check(f"with no descriptors left: the processor idle (busy {busy:.2f} s of 2)", busy < 0.2)
    finally:
        resource.prlimit(pid, nofile, kept)
        for connection in flood:
            connection.close()
    gaps = [after - before for before, after in zip(answered, answered[1:])]
    check(f"with no descriptors left, the page's listener tries every {ACCEPT_RETRY_SECONDS} s",
          abs(statistics.median(gaps or [0]) - ACCEPT_RETRY_SECONDS) < 0.1, gaps)


def timeline(program):
    """What has happened 0.8 s before and after each limit's time: to a connection that sends
    nothing and one left half-sent that trickles on; with --slow, to an idle keep-alive
    connection, a page that answers no ping and a newcomer to rigctld's sixteen silent clients,
    let in only once one has been silent a minute."""
    if SLOW:
        idle, quiet = opened(program.port), page(program.port)
        idle.sendall(head(program.port, "\r\n"))
        check("a keep-alive request answered", status_of(idle) == 200)
        times = {"the idle connection closed": IDLE_SECONDS, "the page pinged": PING_SECONDS,
                 "the page dropped": 2 * PING_SECONDS, "a 17th rigctld client let in": 60}
        seen = {"the page pinged": False}
        rigs = [Rigctld(program.rigctld_port) for _ in range(16)]
        check("sixteen rigctld clients answered", all(rig.ask(b"f\n") for rig in rigs))
    else:
        silent, half = opened(program.port), opened(program.port)
        half.sendall(head(program.port, "X-Half: "))
        times = dict.fromkeys(("the silent connection closed", "the half-sent one closed"),
                              REQUEST_SECONDS)
    started = time.monotonic()
    for moment in sorted({at + side for at in times.values() for side in (-0.8, 0.8)}):
        time.sleep(max(started + moment - time.monotonic(), 0))
        if SLOW:
            seen["the idle connection closed"] = drained(idle, 0)[1]
            data, seen["the page dropped"] = drained(quiet.sock, 0)
            quiet.pending += data
            with contextlib.suppress(Failed):  # no more whole frames: the setup and states, a ping
                while not seen["the page pinged"]:
                    seen["the page pinged"] = quiet.next_frame("a ping", 0.01)[0] == 9
            with contextlib.suppress(Closed, OSError), Rigctld(program.rigctld_port) as rig:
                seen["a 17th rigctld client let in"] = rig.ask(b"f\n") == b"106200000\n"
        else:
            seen = dict(zip(times, (drained(each, 0)[1] for each in (silent, half))))
            with contextlib.suppress(OSError):  # it trickles on: its time runs from the first byte
                half.send(b"h")
        expected = sorted(what for what, at in times.items() if at < moment)
        check(f"after {moment:g} s, what has happened: {', '.join(expected) or 'nothing yet'}",
              expected == sorted(what for what, happened in seen.items() if happened), seen)


run_on_program(PROGRAM, "the limits", lambda program: [each(program) for each in (
    timeline,) + (() if SLOW else (descriptor_flood, sizes, counts))], "--headless",
               rigctld=True)
finish()

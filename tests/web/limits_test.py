#!/usr/bin/env python3
"""What a stranger may cost the page's server, each limit on its own so that each fails when it
changes: in a few seconds, or with --slow the minute that an idle keep-alive connection and a
page that answers no ping take (a page's unsent data is tests/soak's).
Usage: limits_test.py PROGRAM [--slow]"""
import contextlib
import os
import resource
import select
import statistics
import sys
import time

from web_support import (Closed, Failed, Rigctld, busy_seconds, check, drained, finish, opened,
                         page, program_command, raw_answers, request, resident_kib,
                         run_on_program, tables, until)

PROGRAM = program_command(sys.argv[1:])
SLOW = sys.argv[-1] == "--slow"
KIB = 1024
# The limits, as the README states them; their sizes and times in limits.txt.
CONNECTIONS, PAGES, ACCEPT_RETRY_SECONDS = 32, 16, 0.25
LIMITS = tables(os.path.join(os.path.dirname(__file__), "limits.txt"))


def head(port, extra=""):
    return f"GET / HTTP/1.1\r\nHost: 127.0.0.1:{port}\r\n{extra}".encode()


def status(program):
    """A request's status, or "closed" if the server closed the connection unanswered."""
    with contextlib.suppress(Closed):
        return request(program.port, "GET / connection=close").status
    return "closed"


def sizes(program):
    raw_answers(program.port, LIMITS[""], 5)  # under a sanitizer on a busy machine too
    before, sent = resident_kib(program.process.pid), 0
    with opened(program.port) as connection, contextlib.suppress(OSError):
        connection.sendall(head(program.port, "X-Endless: "))
        while sent < 64 * KIB * KIB:
            sent += connection.send(b"y" * (64 * KIB))
    grown = resident_kib(program.process.pid) - before
    check(f"a header line without end: cut off after {sent} bytes, not 64 MiB, the program grown "
          "by at most 4 MiB", sent < 64 * KIB * KIB and grown <= 4 * KIB, f"grown {grown} KiB")


# As many as the limit held open: one more refused (an HTTP connection closed unanswered), and
# let in once one has closed.
def counts(program):
    for what, limit, hold, ask, refused, admitted in [
            ("connection", CONNECTIONS, lambda: opened(program.port),
             lambda: status(program), "closed", 200),
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
    """What has happened 0.8 s before and after each time in limits.txt: to a connection that
    sends nothing and one left half-sent that trickles on; with --slow, to an idle keep-alive
    connection, a page that answers no ping and a newcomer to rigctld's sixteen silent clients,
    let in only once one has been silent a minute."""
    times = {what: int(at) for what, at in LIMITS["slow times" if SLOW else "times"]}
    if SLOW:
        idle, quiet = request(program.port, "GET /"), page(program.port)  # kept alive, answered
        seen = {"the page pinged": False}
        rigs = [Rigctld(program.rigctld_port) for _ in range(16)]
        check("16 rigctld clients answered", {rig.ask(b"f\n") for rig in rigs} == {b"106200000\n"})
    else:
        silent, half = opened(program.port), opened(program.port)
        half.sendall(head(program.port, "X-Half: "))
    started = time.monotonic()
    for moment in sorted({at + side for at in times.values() for side in (-0.8, 0.8)}):
        time.sleep(max(started + moment - time.monotonic(), 0))
        if SLOW:
            seen["the idle connection closed"] = drained(idle.sock, 0)[1]
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

#!/usr/bin/env python3
"""What a stranger may cost the page's server, tried on the real program, each limit on its own
so that each fails when its limit changes: in a few seconds, or with --slow the minute that an
idle keep-alive connection and a page that answers no ping take.

Usage: limits_test.py PROGRAM [--slow]
"""
import contextlib
import os
import resource
import select
import statistics
import sys
import threading
import time

from web_support import (Failed, Rigctld, busy_seconds, check, drained, finish, frame, head,
                         opened, page, program_command, run_on_program, status_of, tables,
                         until)

PROGRAM = program_command(sys.argv[1:])
KIB = 1024
# The limits, as the README states them.
BODY_BYTES, UNSENT_BYTES = 4 * KIB, 256 * KIB
REQUEST_SECONDS, IDLE_SECONDS, PING_SECONDS, ACCEPT_RETRY_SECONDS = 10, 60, 30, 0.25
CONNECTIONS, PAGES = 32, 16
# What a header line without end may grow the program by.
GROWTH_KIB = 4 * KIB


def answer_to(program, what, size):
    if what == "a message":  # a frequency out of range, padded: refused if read at all
        with page(program.port) as connection, contextlib.suppress(Failed):
            request = b'{"do": "frequency", "mhz": "130", "pad": "'
            connection.sock.sendall(frame(request + b"p" * (size - len(request) - 2) + b'"}'))
            return connection.await_message("a refusal", {"type": "refused"}, 3) and "answered"
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
        return status_of(connection, seconds=2)


def resident_kib(program):
    with open(f"/proc/{program.process.pid}/status", encoding="ascii") as file:
        return int(file.read().split("VmRSS:")[1].split()[0])


def sizes(program):
    for what, size, expected in tables(os.path.join(os.path.dirname(__file__), "limits.txt"))[""]:
        answer = str(answer_to(program, what, int(size)))
        check(f"{what} of {size} bytes: {expected}", answer == expected, f"got {answer}")
    before, sent = resident_kib(program), 0
    with opened(program.port) as connection, contextlib.suppress(OSError):
        connection.sendall(head(program.port, "X-Endless: "))
        while sent < 64 * KIB * KIB:
            sent += connection.send(b"y" * (64 * KIB))
    grown = resident_kib(program) - before
    check(f"a header line without end: cut off after {sent} bytes, not 64 MiB, the program "
          f"grown by at most {GROWTH_KIB} KiB", sent < 64 * KIB * KIB and grown <= GROWTH_KIB,
          f"grown {grown} KiB")


def soon(what, condition):
    try:
        return until(what, condition, bool)
    except Failed:
        return False


def rigctld_answers(program):
    try:  # the frequency, in Hz, whatever the checks before tuned
        with Rigctld(program.rigctld_port) as client:
            return client.ask(b"f\n").rstrip(b"\n").isdigit()
    except (Failed, OSError):
        return False


# As many as the limit held open: one more refused (an HTTP connection closed unanswered), and
# let in once one has closed.
def counts(program):
    for what, limit, hold, ask, refused, admitted in [
            ("connection", CONNECTIONS, lambda: opened(program.port),
             lambda: answer_to(program, "", 0), None, 200),
            ("page", PAGES, lambda: page(program.port).sock,
             lambda: page(program.port).status, 403, 101)]:
        held = [hold() for _ in range(limit)]
        try:
            check(f"{what} {limit + 1}: refused, {refused or 'closed unanswered'}",
                  ask() == refused)
            held.pop().close()
            check(f"{what} {limit + 1}: {admitted} once one has closed",
                  soon(f"{what} {admitted}", lambda: ask() == admitted))
        finally:
            for each in held:
                each.close()


# A page that stops reading is dropped once what waits for it passes the limit, the kernel's
# buffers holding less than as much again. The other page is sent the same.
def unsent_data(program):
    stalled, tuner = page(program.port, rcvbuf=4 * KIB), page(program.port)
    sent, tunings, state, deadline = 0, 0, {"statusDetail": ""}, time.monotonic() + 20
    with stalled, tuner:
        while "1 page open" not in state["statusDetail"] and time.monotonic() < deadline:
            tunings += 1
            divider = 8000 + 10 * (tunings % 400)
            tuner.send({"do": "tune", "divider": divider})
            while (message := tuner.received("the tuning"))[0].get("divider") != divider:
                sent += message[1]
            state, sent = message[0], sent + message[1]
    check(f"the page that stopped reading: dropped after {sent} bytes, more than {UNSENT_BYTES} "
          "and less than twice that", "1 page open" in state["statusDetail"] and
          UNSENT_BYTES < sent < 2 * UNSENT_BYTES, state["statusDetail"])


# No descriptors left: the page's listener tries again every so often, neither it nor rigctld's
# spins, and both answer once some are back. Given back one at a time, each goes to the next
# connection waiting (they are taken in order) at the listener's next try.
def descriptor_flood(program):
    pid, nofile = program.process.pid, resource.RLIMIT_NOFILE
    limit, hard = len(os.listdir(f"/proc/{pid}/fd")), resource.prlimit(pid, nofile)[1]
    resource.prlimit(pid, nofile, (limit, hard))
    flood, answered = [opened(program.port) for _ in range(8)], []
    try:
        for connection in flood:
            connection.sendall(head(program.port, "\r\n"))
        time.sleep(0.3)  # one counted while in use for a moment goes to the first of them
        for connection in [c for c in flood if c not in select.select(flood, [], [], 0)[0]][:5]:
            resource.prlimit(pid, nofile, (limit := limit + 1, hard))
            select.select([connection], [], [], 2)
            answered.append(time.monotonic())
        gaps = [after - before for before, after in zip(answered, answered[1:])]
        check(f"with no descriptors left, the page's listener tries every "
              f"{ACCEPT_RETRY_SECONDS} s", abs(statistics.median(gaps) - ACCEPT_RETRY_SECONDS)
              < 0.1, gaps)
        flood += [opened(program.rigctld_port) for _ in range(20)]
        busy = busy_seconds(program.process.pid)
        check(f"with no descriptors left: the processor idle (busy {busy:.2f} s of 2)", busy < 0.2)
    finally:
        for connection in flood:
            connection.close()
    check("the page answers after the flood",
          soon("the page", lambda: answer_to(program, "", 0) == 200))
    check("rigctld answers after the flood", soon("rigctld", lambda: rigctld_answers(program)))


# Two connections that never finish a request, watched while the other checks run on a program of
# their own, whose connections these are not.
def fast(first):
    silent, half = opened(first.port), opened(first.port)
    half.sendall(head(first.port, "X-Half: "))
    started, took = time.monotonic(), []
    watcher = threading.Thread(target=lambda: took.extend(
        drained(each, started + REQUEST_SECONDS + 3 - time.monotonic())[1] and
        time.monotonic() - started for each in (silent, half)))
    watcher.start()
    run_on_program(PROGRAM, "the limits", lambda program: [
        each(program) for each in (sizes, counts, unsent_data, descriptor_flood)], "--headless",
        rigctld=True)
    watcher.join()
    check(f"a connection that sends nothing and one left half-sent: closed {REQUEST_SECONDS} s on",
          len(took) == 2 and all(abs(each - REQUEST_SECONDS) < 0.8 for each in took), took)


# An idle keep-alive connection and a page that answers no ping, looked at a second before and
# after each of their times.
def idle_and_ping(program):
    idle, silent_page = opened(program.port), page(program.port)
    idle.sendall(head(program.port, "\r\n"))
    check("a keep-alive request answered", status_of(idle) == 200)
    started, seen = time.monotonic(), {"the page pinged": False}
    times = {"the idle connection closed": IDLE_SECONDS, "the page pinged": PING_SECONDS,
             "the page dropped": 2 * PING_SECONDS}
    for moment in sorted({at + side for at in times.values() for side in (-1, 1)}):
        time.sleep(max(started + moment - time.monotonic(), 0))
        seen["the idle connection closed"] = drained(idle, 0)[1]
        data, seen["the page dropped"] = drained(silent_page.sock, 0)
        silent_page.pending += data
        with contextlib.suppress(Failed):  # no more whole frames: the setup and states, a ping
            while not seen["the page pinged"]:
                seen["the page pinged"] = silent_page.next_frame("a ping", 0.01)[0] == 9
        expected = sorted(what for what, at in times.items() if at < moment)
        check(f"after {moment} s, what has happened: {', '.join(expected) or 'nothing yet'}",
              expected == sorted(what for what, happened in seen.items() if happened), seen)


run_on_program(PROGRAM, "the limits", idle_and_ping if sys.argv[-1] == "--slow" else fast,
               "--headless", rigctld=True)
finish()

#!/usr/bin/env python3
"""What a stranger may cost the page's server, tried on the real program: each limit on its
own, so that each fails when its limit goes. The sizes, the counts and the time a request may
take run in a few seconds; with --slow, the idle keep-alive connection and the page that
answers no ping, which take a minute.

Usage: limits_test.py PROGRAM [--slow]
"""
import os
import resource
import sys
import threading
import time

from web_support import (Failed, Rigctld, check, drained, finish, frame, head, opened,
                         page, program_command, run_on_program, status_of, until)

PROGRAM = program_command(sys.argv[1:])
SLOW = sys.argv[-1] == "--slow"
KIB = 1024
# The limits, as the README states them.
HEADER_BYTES, BODY_BYTES, MESSAGE_BYTES, UNSENT_BYTES = 8 * KIB, 4 * KIB, 4 * KIB, 256 * KIB
REQUEST_SECONDS, IDLE_SECONDS, PING_SECONDS = 10, 60, 30
CONNECTIONS, PAGES = 32, 16
# Descriptors left to the program under flood: fewer than either server would take.
FLOOD_SPARE = 6
# What a stranger's bytes may grow the program by.
GROWTH_KIB = 4 * KIB


def resident_kib(program):
    with open(f"/proc/{program.process.pid}/status", encoding="ascii") as status:
        return next(int(line.split()[1]) for line in status if line.startswith("VmRSS:"))


def header_sizes(program):
    for size, status in [(HEADER_BYTES - 200, 200), (HEADER_BYTES + 200, 431)]:
        with opened(program.port) as connection:
            filler = "x" * (size - len(head(program.port)) - len("X-Filler: \r\n\r\n"))
            connection.sendall(head(program.port, f"X-Filler: {filler}\r\n\r\n"))
            check(f"headers of {size} bytes: {status}", status_of(connection) == status)
    before = resident_kib(program)
    with opened(program.port) as connection:
        connection.sendall(head(program.port, "X-Endless: "))
        sent = 0
        try:
            while sent < 64 * KIB * KIB:
                sent += connection.send(b"y" * (64 * KIB))
        except OSError:
            pass
        grown = resident_kib(program) - before
        check(f"a header line without end: cut off after {sent} bytes, not 64 MiB, the program "
              f"grown by at most {GROWTH_KIB} KiB", sent < 64 * KIB * KIB and grown <= GROWTH_KIB,
              f"grown {grown} KiB")


def body_sizes(program):
    for size, status in [(BODY_BYTES, 404), (BODY_BYTES + 1, 413), (300 * KIB * KIB, 413)]:
        with opened(program.port) as connection:
            # Only the headers: a refusal must come from the length, before the body.
            connection.sendall(head(program.port, f"Content-Length: {size}\r\n\r\n", "POST",
                                    "/login") + (b"p" * size if size <= BODY_BYTES else b""))
            check(f"a body of {size} bytes: {status} before it is sent",
                  status_of(connection, seconds=2) == status)


def connection_count(program):
    held = [opened(program.port) for _ in range(CONNECTIONS)]
    try:
        time.sleep(0.3)  # all taken
        with opened(program.port) as one_more:
            one_more.sendall(head(program.port, "\r\n"))
            check(f"connection {CONNECTIONS + 1}: closed unanswered",
                  status_of(one_more, seconds=2) is None)
        held.pop().close()
        until("a free connection to be answered", lambda: one_answer(program), bool)
    except Failed as failure:
        check(f"connection {CONNECTIONS} after one closed", False, failure)
    finally:
        for connection in held:
            connection.close()


def one_answer(program):
    with opened(program.port) as connection:
        connection.sendall(head(program.port, "\r\n"))
        return status_of(connection, seconds=1) == 200


def opens(program):
    with page(program.port) as connection:
        return connection.status == 101


def page_count(program):
    pages = [page(program.port) for _ in range(PAGES + 1)]
    try:
        statuses = [connection.status for connection in pages]
        check(f"{PAGES} pages open, one more refused", statuses == [101] * PAGES + [403],
              statuses)
        for connection in pages[:2]:
            connection.sock.close()
        until("a page to open once one has closed", lambda: opens(program), bool)
    finally:
        for connection in pages:
            connection.sock.close()


def message_sizes(program):
    for size, answered in [(MESSAGE_BYTES, True), (MESSAGE_BYTES + 1, False)]:
        with page(program.port) as connection:
            request = b'{"do": "frequency", "mhz": "130", "pad": "'
            connection.sock.sendall(frame(request + b"p" * (size - len(request) - 2) + b'"}'))
            try:
                connection.await_message("the refusal", {"type": "refused"}, seconds=3)
                got = True
            except Failed:
                got = False
            check(f"a message of {size} bytes: {'answered' if answered else 'closed'}",
                  got == answered)


def unsent_data(program):
    """A page that stops reading is dropped once what waits for it passes the limit."""
    stalled, tuner = page(program.port, rcvbuf=4 * KIB), page(program.port)
    try:
        # Each state the tuner sees waits for the stalled page too.
        states, started = 0, time.monotonic()
        while states * 400 < 16 * UNSENT_BYTES and time.monotonic() - started < 20:
            divider = 8000 + 10 * (states % 400)
            tuner.send({"do": "tune", "divider": divider})
            seen = tuner.await_message("the tuning", {"type": "state", "divider": divider})
            states += 1
            if "1 page open" in seen[-1]["statusDetail"]:
                break
        check(f"the page that stopped reading dropped after {states} states",
              "1 page open" in seen[-1]["statusDetail"], seen[-1]["statusDetail"])
    finally:
        stalled.sock.close()
        tuner.sock.close()


def request_time(program):
    """Started first and checked last: the other checks run meanwhile."""
    silent, half = opened(program.port), opened(program.port)
    half.sendall(head(program.port, "X-Half: "))
    started = time.monotonic()

    def check_closed():
        for name, connection in [("a connection that sends nothing", silent),
                                 ("a request left half-sent", half)]:
            left = REQUEST_SECONDS + 3 - (time.monotonic() - started)
            took = drained(connection, max(left, 0.1))[1] and time.monotonic() - started
            check(f"{name}: closed {REQUEST_SECONDS} s on", took and
                  REQUEST_SECONDS - 1 < took < REQUEST_SECONDS + 3, f"closed after {took}")
            connection.close()
    return check_closed


def cpu_seconds(program):
    with open(f"/proc/{program.process.pid}/stat", encoding="ascii") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def rigctld_answers(program):
    try:  # the frequency, in Hz, whatever the checks before tuned
        with Rigctld(program.rigctld_port) as client:
            return client.ask(b"f\n").rstrip(b"\n").isdigit()
    except (Failed, OSError):
        return False


def descriptor_flood(program):
    """Both listeners with no descriptors left: neither spins, both answer once some are back."""
    pid = program.process.pid
    in_use = len(os.listdir(f"/proc/{pid}/fd"))
    _, hard = resource.prlimit(pid, resource.RLIMIT_NOFILE)
    resource.prlimit(pid, resource.RLIMIT_NOFILE, (in_use + FLOOD_SPARE, hard))
    flood = [opened(port) for port in [program.port] * 40 + [program.rigctld_port] * 20]
    try:
        time.sleep(0.5)
        before = cpu_seconds(program)
        time.sleep(2)
        busy = cpu_seconds(program) - before
        check(f"with no descriptors left: the processor idle (busy {busy:.2f} s of 2)",
              busy < 0.2)
    finally:
        for connection in flood:
            connection.close()
    try:
        until("the page to answer after the flood", lambda: one_answer(program), bool)
        until("rigctld to answer after the flood", lambda: rigctld_answers(program), bool)
    except Failed as failure:
        check("both answer within 5 s of the flood", False, failure)


def idle_and_ping(program):
    idle = opened(program.port)
    idle.sendall(head(program.port, "\r\n"))
    check("a keep-alive request answered", status_of(idle) == 200)
    silent_page = page(program.port)
    check("a page that will answer no ping opened", silent_page.status == 101)
    started = time.monotonic()
    results = {}

    def watch_page():
        # The setup and the states come first; then, after silence, a ping (opcode 9).
        pinged = None
        try:
            while True:
                if silent_page.next_frame("the end", PING_SECONDS + IDLE_SECONDS)[0] == 9:
                    pinged = pinged or time.monotonic() - started
        except Failed:
            results["page"] = (pinged, time.monotonic() - started)

    watcher = threading.Thread(target=watch_page)
    watcher.start()
    took = drained(idle, IDLE_SECONDS + 5)[1] and time.monotonic() - started
    check(f"an idle keep-alive connection: closed {IDLE_SECONDS} s on",
          took and IDLE_SECONDS - 2 < took < IDLE_SECONDS + 5, f"closed after {took}")
    watcher.join(2 * PING_SECONDS + 10)
    pinged, dropped = results.get("page", (None, None))
    check(f"a silent page: pinged {PING_SECONDS} s on, dropped {PING_SECONDS} s later",
          pinged and dropped and PING_SECONDS - 2 < pinged < PING_SECONDS + 3 and
          2 * PING_SECONDS - 2 < dropped < 2 * PING_SECONDS + 5, (pinged, dropped))
    idle.close()
    silent_page.sock.close()


def limits(first, second=None):
    """The slow connections on a program of their own, that the counts are not theirs."""
    try:
        if second is None:
            return idle_and_ping(first)
        check_request_time = request_time(first)
        for each in (header_sizes, body_sizes, connection_count, page_count, message_sizes,
                     unsent_data, descriptor_flood):
            each(second)
        check_request_time()
    except OSError as error:
        raise Failed(repr(error)) from None


def fast(first):
    run_on_program(PROGRAM, "the limits", lambda second: limits(first, second), "--headless",
                   rigctld=True)


run_on_program(PROGRAM, "the limits", limits if SLOW else fast, "--headless", rigctld=True)
finish()

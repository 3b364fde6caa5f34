#!/usr/bin/env python3
"""What a stranger may cost the page's server, tried on the real program: each limit on its
own, so that each fails when its limit goes. The sizes, the counts and the time a request may
take run in a few seconds; with --slow, the idle keep-alive connection and the page that
answers no ping, which take a minute.

Usage: limits_test.py PROGRAM [--slow]
"""
import os
import resource
import socket
import sys
import threading
import time

from web_support import (Connection, Failed, Program, check, finish, program_command, until,
                         upgrade)

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


def opened(port, rcvbuf=None):
    connection = socket.socket()
    if rcvbuf:
        connection.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, rcvbuf)
    connection.settimeout(5)
    connection.connect(("127.0.0.1", port))
    return connection


def status_of(connection, seconds=5):
    """The status code of the answer, None if the server closed first."""
    connection.settimeout(seconds)
    try:
        line = connection.makefile("rb").readline()
    except OSError:
        return None
    return int(line.split()[1]) if line else None


def closed_within(connection, seconds):
    """Seconds until the server closed `connection` (reading and discarding), or None."""
    started = time.monotonic()
    connection.settimeout(seconds)
    try:
        while connection.recv(65536):
            pass
    except socket.timeout:
        return None
    except OSError:
        pass
    return time.monotonic() - started


def resident_kib(program):
    with open(f"/proc/{program.process.pid}/status", encoding="ascii") as status:
        return next(int(line.split()[1]) for line in status if line.startswith("VmRSS:"))


def head(port, extra="", method="GET", path="/"):
    return (f"{method} {path} HTTP/1.1\r\nHost: 127.0.0.1:{port}\r\n{extra}").encode()


def page(program, rcvbuf=None):
    """An open page's socket, past the upgrade's answer."""
    origin = f"http://127.0.0.1:{program.port}"
    request = "".join(f"{name}: {value}\r\n" for name, value in
                      upgrade(f"127.0.0.1:{program.port}", origin).items())
    connection = opened(program.port, rcvbuf)
    connection.sendall(f"GET /socket HTTP/1.1\r\n{request}\r\n".encode())
    answer = b""
    while b"\r\n\r\n" not in answer and (more := connection.recv(1)):
        answer += more
    return connection, int(answer.split()[1]) if answer else None


def text_frame(payload):
    mask = os.urandom(4)
    size = len(payload)
    length = bytes([0x80 | size]) if size < 126 else bytes([0x80 | 126]) + size.to_bytes(2, "big")
    return bytes([0x81]) + length + mask + bytes(b ^ mask[i % 4] for i, b in enumerate(payload))


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
    connection, status = page(program)
    connection.close()
    return status == 101


def page_count(program):
    pages = [page(program) for _ in range(PAGES + 1)]
    try:
        statuses = [status for _, status in pages]
        check(f"{PAGES} pages open, one more refused", statuses == [101] * PAGES + [403],
              statuses)
        for connection, _ in pages[:2]:
            connection.close()
        until("a page to open once one has closed", lambda: opens(program), bool)
    finally:
        for connection, _ in pages:
            connection.close()


def message_sizes(program):
    for size, answered in [(MESSAGE_BYTES, True), (MESSAGE_BYTES + 1, False)]:
        connection, _ = page(program)
        with connection:
            request = b'{"do": "frequency", "mhz": "130", "pad": "'
            connection.sendall(text_frame(request + b"p" * (size - len(request) - 2) + b'"}'))
            try:
                Connection.of(connection).await_message("the refusal", {"type": "refused"}, seconds=3)
                got = True
            except Failed:
                got = False
            check(f"a message of {size} bytes: {'answered' if answered else 'closed'}",
                  got == answered)


def unsent_data(program):
    """A page that stops reading is dropped once what waits for it passes the limit."""
    stalled, _ = page(program, rcvbuf=4 * KIB)
    tuner, _ = page(program)
    reader = Connection.of(tuner)
    try:
        # Each state the tuner sees waits for the stalled page too.
        states, started = 0, time.monotonic()
        while states * 400 < 16 * UNSENT_BYTES and time.monotonic() - started < 20:
            divider = 8000 + 10 * (states % 400)
            tuner.sendall(text_frame(f'{{"do": "tune", "divider": {divider}}}'.encode()))
            seen = reader.await_message("the tuning", {"type": "state", "divider": divider})
            states += 1
            if "1 page open" in seen[-1]["statusDetail"]:
                break
        check(f"the page that stopped reading dropped after {states} states",
              "1 page open" in seen[-1]["statusDetail"], seen[-1]["statusDetail"])
    finally:
        stalled.close()
        tuner.close()


def request_time(program):
    """Started first and checked last: the other checks run meanwhile."""
    silent, half = opened(program.port), opened(program.port)
    half.sendall(head(program.port, "X-Half: "))
    started = time.monotonic()

    def check_closed():
        for name, connection in [("a connection that sends nothing", silent),
                                 ("a request left half-sent", half)]:
            left = REQUEST_SECONDS + 3 - (time.monotonic() - started)
            took = closed_within(connection, max(left, 0.1))
            took = took and time.monotonic() - started
            check(f"{name}: closed {REQUEST_SECONDS} s on", took and
                  REQUEST_SECONDS - 1 < took < REQUEST_SECONDS + 3, f"closed after {took}")
            connection.close()
    return check_closed


def cpu_seconds(program):
    with open(f"/proc/{program.process.pid}/stat", encoding="ascii") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def rigctld_answers(program):
    try:
        with opened(program.rigctld_port) as client:
            client.sendall(b"f\n")  # the frequency, in Hz, whatever the checks before tuned
            return client.makefile("rb").readline().rstrip(b"\n").isdigit()
    except OSError:
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
    silent_page, status = page(program)
    check("a page that will answer no ping opened", status == 101)
    started = time.monotonic()
    results = {}

    def watch_page():
        # The setup and the states come first; then, after silence, a ping (opcode 9).
        silent_page.settimeout(PING_SECONDS + IDLE_SECONDS)
        pinged, data = None, b""
        while True:
            try:
                more = silent_page.recv(4096)
            except OSError:
                break
            if not more:
                break
            data += more
            while len(data) >= 2 and len(data) >= 2 + (data[1] & 0x7F):
                opcode, length = data[0] & 0x0F, data[1] & 0x7F
                if length >= 126:
                    if len(data) < 4 or len(data) < 4 + int.from_bytes(data[2:4], "big"):
                        break
                    length, start = int.from_bytes(data[2:4], "big"), 4
                else:
                    start = 2
                if opcode == 9 and pinged is None:
                    pinged = time.monotonic() - started
                data = data[start + length:]
        results["page"] = (pinged, time.monotonic() - started)

    watcher = threading.Thread(target=watch_page)
    watcher.start()
    took = closed_within(idle, IDLE_SECONDS + 5)
    check(f"an idle keep-alive connection: closed {IDLE_SECONDS} s on",
          took and IDLE_SECONDS - 2 < took < IDLE_SECONDS + 5, f"closed after {took}")
    watcher.join(2 * PING_SECONDS + 10)
    pinged, dropped = results.get("page", (None, None))
    check(f"a silent page: pinged {PING_SECONDS} s on, dropped {PING_SECONDS} s later",
          pinged and dropped and PING_SECONDS - 2 < pinged < PING_SECONDS + 3 and
          2 * PING_SECONDS - 2 < dropped < 2 * PING_SECONDS + 5, (pinged, dropped))
    idle.close()
    silent_page.close()


def main():
    # The slow connections on a program of their own, that the counts are not theirs.
    programs = [Program(PROGRAM, "--headless", rigctld=True) for _ in range(1 if SLOW else 2)]
    try:
        if SLOW:
            idle_and_ping(programs[0])
        else:
            check_request_time = request_time(programs[0])
            for each in (header_sizes, body_sizes, connection_count, page_count, message_sizes,
                         unsent_data, descriptor_flood):
                each(programs[1])
            check_request_time()
    except (Failed, OSError) as failure:
        check("the limits", False, repr(failure))
    finally:
        for program in programs:
            status, errors = program.end()
            check("SIGTERM ends it with 0, no sanitizer report",
                  status == 0 and "Sanitizer" not in errors and "runtime error" not in errors,
                  errors)
    finish()


main()

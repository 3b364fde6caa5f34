#!/usr/bin/env python3
"""The panel, headless on the simulated synthesizer, talks with what rigctld clients send.

Each file in conversations/ is one client's exchange, or several clients' at once parted by "---"
lines: "> " lines are sent, "< " lines are the answer expected, byte for byte ("\\xNN" in a sent
line is that byte). Every command must get exactly its one answer, so each part's last command is
answered in step. Then the panel is ended by SIGTERM and by SIGINT with clients connected, one of
them in the middle of a line, and by a trace whose reader goes away during a client's tuning.

Usage: rigctl_clients_test.py PROGRAM CONVERSATIONS_DIR
"""
import glob
import os
import re
import select
import signal
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "web"))
from web_support import Failed, Rigctld, check, drained, finish  # noqa: E402

PROGRAM, CONVERSATIONS = sys.argv[1], sys.argv[2]
# What the panel says once it listens on the port that the system chose for it.
LISTENING = re.compile(r"saa1057-panel: rigctld listens on 127\.0\.0\.1:(\d+)\n")
BROKEN_PIPE = ("saa1057-panel: Cannot write the trace file {}: Broken pipe. Give --trace a path "
               "with room to write.")


def ending_of(program, seconds):
    """The panel's exit status ("hung" if it had to be killed) and its standard error, what
    start_program read of it included."""
    try:
        status = program.wait(timeout=seconds)
    except subprocess.TimeoutExpired:
        program.kill()
        status = "hung"
    return status, getattr(program, "said_at_start", "") + program.stderr.read().decode()


def check_no_sanitizer_report(case, errors):
    check(f"{case}: no sanitizer report", "Sanitizer" not in errors and "runtime error" not in
          errors, errors)


def start_program(*options):
    """The panel serving rigctld on the port that the system chooses (port 0: no other test can
    hold it), that port, and a client connected there."""
    program = subprocess.Popen([PROGRAM, "--simulate", "--rigctld", "localhost:0", *options],
                               env=dict(os.environ, QT_QPA_PLATFORM="offscreen"),
                               stderr=subprocess.PIPE)
    # A byte at a time, so that what follows the port's line is left for ending_of.
    said = b""
    deadline = time.monotonic() + 30
    while not (listening := LISTENING.search(said.decode(errors="replace"))):
        ready, _, _ = select.select([program.stderr], [], [], max(0, deadline - time.monotonic()))
        byte = os.read(program.stderr.fileno(), 1) if ready else b""
        if not byte:
            program.kill()
            why = "ended at start-up" if ready else "named no rigctld port within 30 s"
            sys.exit(f"the panel {why}; its standard error:\n{said.decode(errors='replace')}")
        said += byte
    program.said_at_start = said.decode()
    port = int(listening[1])
    return program, port, Rigctld(port)


def exchange(client, request, lines):
    """The answer of `lines` lines, or as much as came, and any answer too many after it."""
    try:
        answer = client.ask(request, lines)
    except Failed:
        answer, client.pending = client.pending, b""
    return answer + client.more(0.2)


def read_conversation(path):
    """[[sent, expected], ...], one for each client."""
    parts = [[b"", b""]]
    with open(path, encoding="utf-8") as f:
        for line in f.read().splitlines():
            if line == "---":
                parts.append([b"", b""])
            elif line.startswith("> "):
                text = re.sub(r"\\x([0-9a-f]{2})", lambda m: chr(int(m.group(1), 16)), line[2:])
                parts[-1][0] += text.encode("latin-1") + b"\n"
            elif line.startswith("< "):
                parts[-1][1] += line[2:].encode("utf-8") + b"\n"
    return parts


def conversations(port):
    for path in sorted(glob.glob(os.path.join(CONVERSATIONS, "*.txt"))):
        with Rigctld(port) as reset:
            check("the frequency and mode reset before " + path,
                  exchange(reset, b"F 106200000\nM WFM 0\n", 2) == b"RPRT 0\nRPRT 0\n")
        parts = read_conversation(path)
        clients = [Rigctld(port) for _ in parts]
        for number, (client, (sent, expected)) in enumerate(zip(clients, parts), 1):
            answer = exchange(client, sent, expected.count(b"\n"))
            check(f"{os.path.basename(path)}, client {number}", answer == expected,
                  f"  expected {expected!r}\n  answered {answer!r}")
        for client in clients:
            client.sock.close()


def shutdown_with_clients(signal_number):
    program, port, answered = start_program()
    check("a client is answered before shutdown", exchange(answered, b"f\n", 1) == b"106200000\n")
    idle, mid_line = Rigctld(port), Rigctld(port)
    mid_line.sock.sendall(b"F 1000")
    time.sleep(0.3)
    program.send_signal(signal_number)
    status, errors = ending_of(program, 10)
    name = signal.Signals(signal_number).name
    check(f"{name} with clients connected exits 0", status == 0, errors)
    check_no_sanitizer_report(name, errors)
    for client in (answered, idle, mid_line):
        client.sock.settimeout(5)
        try:
            ended = client.sock.recv(1) == b""
        except OSError:
            ended = False
        check(f"{name}: each client sees its connection end", ended)
        client.sock.close()


def received(client):
    """What the server sends until it ends the connection (closed, or reset when the panel ends
    with a request unread), or None if it does not end it."""
    answer, ended = drained(client.sock, 5)
    return answer if ended else None


def a_trace_that_breaks(where, tuner_leaves):
    """--trace into a pipe whose reader goes away once the start-up is recorded: the tuning that
    follows fails. The panel ends with the write's reason (not killed by SIGPIPE), the tuning
    answers RIG_EIO, and a client polling meanwhile is let go rather than answered."""
    folder = tempfile.mkdtemp(prefix="saa1057-trace-")
    fifo = os.path.join(folder, "bus.vcd")
    os.mkfifo(fifo)
    reader = os.open(fifo, os.O_RDONLY | os.O_NONBLOCK)
    try:
        program, port, poller = start_program("--trace", fifo, *where)
    finally:
        os.unlink(fifo)
        os.rmdir(folder)
    check(f"{where}: polled before", exchange(poller, b"f\n", 1) == b"106200000\n")
    os.close(reader)
    tuner = Rigctld(port)
    tuner.sock.sendall(b"F 100000000\n")
    if tuner_leaves:
        tuner.sock.close()
    else:
        answer = received(tuner)
        check(f"{where}: the failed tuning answers RPRT -6", answer == b"RPRT -6\n", repr(answer))
        try:
            poller.sock.sendall(b"f\n")
        except OSError:
            pass
        answer = received(poller)
        check(f"{where}: the poller is let go unanswered", answer == b"", repr(answer))
    status, errors = ending_of(program, 10)
    check(f"{where}: the panel ends with status 1", status == 1, f"status {status}: {errors}")
    check(f"{where}: it says which write failed, why, and the way out",
          BROKEN_PIPE.format(fifo) in errors.splitlines(), errors)
    check_no_sanitizer_report(where, errors)


def a_trace_into_a_pipe_nobody_reads():
    """The first write into a pipe whose reader has gone fails with EPIPE: the panel says so and
    ends with status 1 rather than being killed by SIGPIPE (before any socket exists, which
    would make Qt ignore the signal itself)."""
    reader, writer = os.pipe()
    os.close(reader)
    program = subprocess.Popen(
        [PROGRAM, "--headless", "--simulate", "--trace", f"/dev/fd/{writer}"],
        pass_fds=(writer,), stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    os.close(writer)
    status, errors = ending_of(program, 30)
    check("a trace into a closed pipe ends the panel with status 1", status == 1,
          f"status {status}: {errors}")
    check("it says which write failed and why", BROKEN_PIPE.format(f"/dev/fd/{writer}") + "\n" ==
          errors, errors)


program, port, first = start_program()
first.sock.close()
conversations(port)
program.terminate()
program.wait(timeout=10)
for number in (signal.SIGTERM, signal.SIGINT):
    shutdown_with_clients(number)
a_trace_into_a_pipe_nobody_reads()
a_trace_that_breaks(("--headless",), tuner_leaves=True)
a_trace_that_breaks((), tuner_leaves=False)
finish()

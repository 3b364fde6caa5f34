#!/usr/bin/env python3
# The panel on the simulated synthesizer talks with what rigctld clients send, in the
# conversations of CONVERSATIONS_DIR; then it ends, a client tuning, by a trace whose reader goes
# away.
#
# Usage: rigctl_clients_test.py PROGRAM CONVERSATIONS_DIR
import contextlib
import glob
import os
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "web"))
from web_support import (Failed, Program, Rigctld, check, drained, finish,  # noqa: E402
                         run_on_program)

PROGRAM, CONVERSATIONS = sys.argv[1:3]


def exchange(client, request, lines=1):
    # The answer of `lines` lines, or as much as came, and any answer too many after it.
    try:
        answer = client.ask(request, lines)
    except Failed:
        answer, client.pending = client.pending, b""
    return answer + drained(client.sock, 0.2)[0]


def conversations(program):
    # Each file's clients, parted by "---", at once, from the start-up's tuning: each sends its
    # "> " lines ("\xNN" is that byte) and must hear its "< " lines, byte for byte.
    paths = sorted(glob.glob(os.path.join(CONVERSATIONS, "*.txt")))
    check(f"conversations in {CONVERSATIONS}", paths)
    for path in paths:
        with Rigctld(program.rigctld_port) as reset:
            reset.ask(b"F 106200000\nM WFM 0\n", 2)
        with open(path, encoding="utf-8") as file:
            talks = [["".join(line[2:] + "\n" for line in client.split("\n") if line[:2] == mark)
                      for mark in ("> ", "< ")] for client in file.read().split("\n---\n")]
        with contextlib.ExitStack() as connected:
            clients = [connected.enter_context(Rigctld(program.rigctld_port)) for _ in talks]
            for number, (client, (sent, expected)) in enumerate(zip(clients, talks), 1):
                answer = exchange(client, re.sub(r"\\x([0-9a-f]{2})", lambda byte: chr(
                    int(byte[1], 16)), sent).encode("latin-1"), expected.count("\n"))
                check(f"{os.path.basename(path)}, client {number}", answer == expected.encode(),
                      f"  expected {expected.encode()!r}\n  answered {answer!r}")


run_on_program([PROGRAM], "the conversations", conversations, rigctld=True)
# --trace into a pipe whose reader goes away once the start-up is recorded (the first answer comes
# after it): the tuning that follows fails, and answers RIG_EIO; the panel ends with the write's
# reason, not killed by SIGPIPE. (That no other client is answered then is tests/rigctl_server's
# AfterThePortFailsNoClientIsAnswered; a board's end at a failed write, program_runs.txt's.)
with tempfile.TemporaryDirectory() as folder:
    fifo = os.path.join(folder, "bus.vcd")
    os.mkfifo(fifo)
    reader = os.open(fifo, os.O_RDONLY | os.O_NONBLOCK)
    program = Program([PROGRAM], "--trace", fifo, rigctld=True)
tuner = Rigctld(program.rigctld_port)
check("a trace that breaks: polled before", exchange(tuner, b"f\n") == b"106200000\n")
os.close(reader)
tuner.sock.sendall(b"F 100000000\n")
# Ended within 5 s (closed, or reset when a request is left unread).
answer = drained(tuner.sock, 5)
check("the failed tuning answers RPRT -6", answer == (b"RPRT -6\n", True), answer)
# It ends by itself (killed after 10 s if not); a sanitizer's report counts as another status.
with contextlib.suppress(subprocess.TimeoutExpired):
    program.process.wait(10)
program.process.kill()
status, errors = program.end()
check("then the panel ends with status 1, saying which write failed, why and the way out",
      status == 1 and f"saa1057-panel: Cannot write the trace file {fifo}: Broken pipe. Give "
      "--trace a path with room to write." in errors.splitlines(), f"{status}: {errors}")
finish()

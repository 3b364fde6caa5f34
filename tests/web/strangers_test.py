#!/usr/bin/python3
"""Off loopback, in a network namespace of its own (run under unshare -rn): a stranger at one
address posts a wrong password every 0.2 s while the owner, at another, logs in at once; the
stranger waits as its own failures say, each wait twice the one before, and is logged once per
wait.

Usage: unshare -rn strangers_test.py PROGRAM"""
import re
import subprocess
import sys
import time

from web_support import (Failed, check, finish, program_command, request, run_on_program,
                         until)

PROGRAM = program_command(sys.argv[1:])
BOX, STRANGER, OWNER = "192.0.2.1", "192.0.2.2", "192.0.2.3"
# The waits after each wrong password, by hand from the README: they double (to a minute).
WAITS, GUESS_S = [1, 2, 4], 0.2

for command in (["ip", "link", "set", "lo", "up"],
                *(["ip", "address", "add", f"{a}/32", "dev", "lo"] for a in (BOX, STRANGER, OWNER))):
    subprocess.run(command, check=True)


def guessing(program):
    def log_in(source, password):
        return request(program.port, f"POST /login origin=http://{BOX}:{program.port}",
                       b"password=" + password, host=BOX, source=source)
    # Each answer's status, Retry-After, when it was asked and when answered.
    answers, deadline = [], time.monotonic() + sum(WAITS) + 20
    while [a[0] for a in answers].count(401) < len(WAITS):
        if time.monotonic() > deadline:
            raise Failed(f"the stranger not heard {len(WAITS)} times: {answers}")
        sent, answer = time.monotonic(), log_in(STRANGER, b"wrong")
        answers.append((answer.status, int(answer.headers.get("retry-after", 0)), sent,
                        time.monotonic()))
        if answers[-1][:2] == (401, WAITS[1]):
            owner = log_in(OWNER, program.password().encode())
            check(f"the owner logs in at once, mid-guessing ({owner.status})", owner.status == 204,
                  owner.headers)
        time.sleep(GUESS_S)
    heard = [a for a in answers if a[0] == 401]
    check(f"the stranger heard after waits of {WAITS} s, told to wait between", [
        a[1] for a in heard] == WAITS and {a[0] for a in answers} == {401, 429}, answers)
    check("each heard once the wait before it had passed", all(
        later[3] - earlier[2] >= earlier[1] for earlier, later in zip(heard, heard[1:])), answers)
    logged = until("the stranger's wrong passwords logged", lambda: re.findall(
        rf"a wrong password for the web page from {re.escape(STRANGER)}; its next attempt is "
        r"heard in (\d+) s\n", program.stderr()), lambda found: len(found) >= len(WAITS))
    check(f"one line per wait ({logged})", logged == [str(w) for w in WAITS], program.stderr())


run_on_program(PROGRAM, "off loopback", guessing, "--headless", host=BOX)
finish()

#!/usr/bin/python3
"""Off loopback, in a network namespace of its own (run under unshare -rn): a stranger at one
address posts a wrong password every 0.2 s while the owner, at another, logs in at once; the
stranger waits as its own failures say, and is logged once per wait.

Usage: unshare -rn strangers_test.py PROGRAM"""
import re
import subprocess
import sys
import time

from web_support import check, finish, program_command, request, run_on_program, until

PROGRAM = program_command(sys.argv[1:])
BOX, STRANGER, OWNER = "192.0.2.1", "192.0.2.2", "192.0.2.3"
GUESSES = 15  # one every 0.2 s: 3 s of guessing

for command in (["ip", "link", "set", "lo", "up"],
                *(["ip", "address", "add", f"{a}/32", "dev", "lo"] for a in (BOX, STRANGER, OWNER))):
    subprocess.run(command, check=True)


def guessing(program):
    def log_in(source, password):
        return request(program.port, f"POST /login origin=http://{BOX}:{program.port}",
                       b"password=" + password, host=BOX, source=source)
    answers = []
    for guess in range(GUESSES):
        answers.append(log_in(STRANGER, b"wrong").status)
        if guess == GUESSES // 2:
            owner = log_in(OWNER, program.password().encode())
            check(f"the owner logs in at once, mid-guessing ({owner.status})", owner.status == 204,
                  owner.headers)
        time.sleep(0.2)
    # Waits of 1 and 2 s in 3 s: heard at 0, 1 and 3 s, give or take a guess.
    heard = answers.count(401)
    check(f"the stranger heard only after each wait ({answers})",
          2 <= heard <= 3 and answers.count(429) == GUESSES - heard)
    lines = until("the stranger's wrong passwords logged", lambda: re.findall(
        rf"a wrong password for the web page from {re.escape(STRANGER)}; its next attempt is "
        r"heard in \d+ s\n", program.stderr()), lambda found: len(found) >= heard)
    check(f"one line per wait ({len(lines)} for {heard})", len(lines) == heard, program.stderr())


run_on_program(PROGRAM, "off loopback", guessing, "--headless", host=BOX)
finish()

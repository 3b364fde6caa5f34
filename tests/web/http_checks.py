#!/usr/bin/env python3
"""The page's server as browsers and strangers reach it, without a browser: on 127.0.0.1 (no
password), on 0.0.0.0 (a password), its WebSocket messages, and the starts that fail; what each
must answer is in http_answers.txt.

Usage: http_checks.py [wine] PROGRAM
"""
import os
import re
import socket
import sys
import time

from web_support import (check, drained, finish, frame, opened, page, program_command, ran,
                         request, run_on_program, tables)

PROGRAM = program_command(sys.argv[1:])
TABLES = tables(os.path.join(os.path.dirname(os.path.abspath(__file__)), "http_answers.txt"))
SECURITY_HEADERS = dict(TABLES["security headers"])
LOGIN = "POST /login origin=http://127.0.0.1:{port}"
RANDOM_TOKENS = 300


def answers(program, rows, cookie=""):
    for case, asked, status, *holding in rows:
        answer = request(program.port, asked.replace("{cookie}", str(cookie)))
        headers = {name: answer.headers.get(name) for name in SECURITY_HEADERS}
        check(f"{case}: {status}" + "".join(f" holding {each!r}" for each in holding),
              answer.status == int(status) and "".join(holding).encode() in answer.body and
              (answer.status == 101 or headers == SECURITY_HEADERS),
              f"{answer.status} {headers} {answer.body[:300]}")


def messages(program):
    watcher, said = page(program.port), page(program.port).talk(TABLES["messages"])
    heard = watcher.await_message("the other page's last state", said[-1])
    check("the other page sees each change of the stations and the last state, no refusal",
          [m for m in heard if m["type"] in ("stations", "refused")] ==
          [m for m in said if m["type"] == "stations"], heard)
    stations = request(program.port, "GET /stations.csv").body.decode()
    check("the stations' file", stations == "".join(r[0] + "\n" for r in TABLES["stations file"]),
          stations)


def raw_requests(program):
    for case, asked, pattern, then in TABLES["raw requests"]:
        asked, _, text = asked.replace("{port}", str(program.port)).partition(" frame: ")
        with opened(program.port, timeout=2) as connection:
            connection.sendall(asked.replace("\\r\\n", "\r\n").encode() +
                               (frame(text.encode()) if text else b""))
            answer, closed = drained(connection, 2)
        check(f"{case}, then {then}", re.fullmatch(pattern.encode(), answer, re.S) and
              then == ("closed" if closed else "open"), answer[:600])


def log_in(program):
    """Wrong and early passwords, then the right one; the session's cookie."""
    passwords = {"right": program.password(), "wrong": "wrong"}
    for wait, which, status, retry_after in TABLES["logins"]:
        time.sleep(float(wait))
        answer = request(program.port, LOGIN, f"password={passwords[which]}".encode())
        check(f"the {which} password after {wait} s: {status}, Retry-After {retry_after}",
              (answer.status, answer.headers.get("retry-after", "-")) ==
              (int(status), retry_after), f"{answer.status} {answer.headers}")
    cookie = re.fullmatch(r"(saa1057-session=[0-9a-f]+); Path=/; HttpOnly; SameSite=Strict",
                          answer.headers.get("set-cookie", ""))
    check("the session cookie: HttpOnly, SameSite=Strict", cookie, answer.headers)
    return cookie and cookie[1]


def guarded(program):
    """The tables on 0.0.0.0, then at the WebSocket's door the session's token with its first, a
    middle and its last digit off, and random tokens, which a comparison of part of a token would
    let in."""
    cookie = log_in(program)
    answers(program, TABLES["on 0.0.0.0"], cookie)
    token = cookie.split("=")[1] if cookie else "0" * 64
    tokens = [token[:at] + "01"[token[at] == "0"] + token[at + 1:] for at in (0, 32, 63)]
    tokens += [os.urandom(32).hex() for _ in range(RANDOM_TOKENS)]
    admitted = [token for token in tokens if request(
        program.port, f"GET /socket origin=http://127.0.0.1:{{port}} cookie=saa1057-session={token}"
    ).status != 403]
    check(f"3 tokens one digit off and {RANDOM_TOKENS} random ones: all refused", not admitted,
          admitted[:5])


run_on_program(PROGRAM, "on 127.0.0.1", lambda program: (
    answers(program, TABLES["on 127.0.0.1"]), messages(program), raw_requests(program)),
    "--headless")
run_on_program(PROGRAM, "on 0.0.0.0", guarded, "--headless", host="0.0.0.0")
with socket.socket() as busy:
    busy.bind(("127.0.0.1", 0))
    busy.listen()
    for address, line in TABLES["failed starts"]:
        address, line = (text.replace("{busy}", str(busy.getsockname()[1]))
                         for text in (address, line))
        status, _, errors = ran(PROGRAM, "--headless", "--simulate", "--http", address)
        check(f"--http {address}: status 1 and the one line", (status, errors) == (1, line + "\n"),
              (status, errors))
finish()

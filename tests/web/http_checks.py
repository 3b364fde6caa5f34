#!/usr/bin/env python3
"""The page's server as browsers and strangers reach it, without a browser: on 127.0.0.1 (no
password), on 0.0.0.0 (a password), its WebSocket messages, and the starts that fail; what each
must answer is in http_answers.txt. With --strangers, in a network namespace of its own (run under
unshare -rn), a stranger at one address guesses while the owner, at another, logs in at once,
and then 600 clients flood the gate while the owner logs in; with --proxy, there too, the same
through nginx with TLS.
Usage: [unshare -rn] http_checks.py [wine] PROGRAM [--strangers|--proxy]"""
import concurrent.futures
import contextlib
import os
import re
import socket
import subprocess
import sys
import threading
import time

from web_support import (Closed, Failed, Rigctld, check, finish, nginx, page, program_command,
                         ran, raw_answers, request, run_on_program, tables, until)

PROGRAM = program_command([a for a in sys.argv[1:] if not a.startswith("--")])
TABLES = tables(os.path.join(os.path.dirname(os.path.abspath(__file__)), "http_answers.txt"))
SECURITY_HEADERS = dict(TABLES["security headers"])
RANDOM_TOKENS = 300


def answers(program, rows, cookie=""):
    for case, asked, status, *holding in rows:
        answer = request(program.port, asked.replace("{cookie}", str(cookie)))
        headers = {name: answer.headers.get(name) for name in SECURITY_HEADERS}
        held = "".join(holding).replace("\\n", "\n").encode()  # \n as written
        check(f"{case}: {status}" + (f" holding {held!r}" if held else ""),
              answer.status == int(status) and held in answer.body and
              (answer.status == 101 or headers == SECURITY_HEADERS),
              f"{answer.status} {headers} {answer.body[:300]}")


def messages(program):
    watcher, said = page(program.port), page(program.port).talk(TABLES["messages"])
    heard = watcher.await_message("the other page's last state", said[-1])
    check("the other page sees each change of the stations and the last state, no refusal",
          [m for m in heard if m["type"] in ("stations", "refused")] ==
          [m for m in said if m["type"] == "stations"], heard)
    answers(program, TABLES["after the messages"])


def log_in(program, origin="http://127.0.0.1:{port}", secure=""):
    """A cookie Secure (`secure`) where the page was reached over https, through a TLS proxy."""
    answer = request(program.port, f"POST /login origin={origin}",
                     f"password={program.password()}".encode())
    cookie = re.fullmatch(
        rf"(saa1057-session=[0-9a-f]+); Path=/; HttpOnly; SameSite=Strict{secure}",
        answer.headers.get("set-cookie", ""))
    check(f"the right password from {origin}: 204, a cookie HttpOnly, SameSite=Strict{secure} "
          f"({answer.status})", answer.status == 204 and cookie, answer.headers)
    return cookie and cookie[1]


def guarded(program):
    """The tables on 0.0.0.0, then at the WebSocket's door the session's token with its first, a
    middle and its last digit off, and random tokens, which a comparison of part of a token would
    let in."""
    cookie = log_in(program)
    log_in(program, "https://127.0.0.1", "; Secure")
    answers(program, TABLES["on 0.0.0.0"], cookie)
    token = cookie.split("=")[1] if cookie else "0" * 64
    tokens = [token[:at] + "01"[token[at] == "0"] + token[at + 1:] for at in (0, 32, 63)]
    tokens += [os.urandom(32).hex() for _ in range(RANDOM_TOKENS)]
    admitted = [token for token in tokens if request(
        program.port, f"GET /socket origin=http://127.0.0.1:{{port}} cookie=saa1057-session={token}"
    ).status != 403]
    check(f"3 tokens one digit off and {RANDOM_TOKENS} random ones: all refused", not admitted,
          admitted[:5])


def strangers(program):
    """A wrong password every 0.2 s from the stranger: heard after each wait, twice the one
    before, and logged once in the ten seconds; the owner meanwhile let in at once."""
    def log_in(source, password):
        return request(program.port, f"POST /login origin=http://{BOX}:{program.port}",
                       b"password=" + password, host=BOX, source=source)
    answers, deadline = [], time.monotonic() + sum(WAITS) + 20  # (status, wait, asked, answered)
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
        time.sleep(0.2)
    heard = [a for a in answers if a[0] == 401]
    check(f"the stranger heard after waits of {WAITS} s, told to wait between", [
        a[1] for a in heard] == WAITS and {a[0] for a in answers} == {401, 429}, answers)
    check("each heard once the wait before it had passed", all(
        later[3] - earlier[2] >= earlier[1] for earlier, later in zip(heard, heard[1:])), answers)
    logged = re.findall(rf"a wrong password for the web page from {re.escape(STRANGER)}; its next "
                        r"attempt is heard in (\d+) s\n", program.stderr())
    check(f"one line for the {len(WAITS)} heard within ten seconds ({logged})", logged == ["1"],
          program.stderr())


def flood(program):
    """Wrong passwords from 300 IPv4 and 300 IPv6 clients (each its own /64), each as soon as it
    is let: at most 10 heard a second in all; the owner, coming once every stranger has tried
    (a second on), in at once, on the gate's share for clients it has not met."""
    sources = [f"10.1.{n // 200}.{n % 200 + 1}" for n in range(300)]
    sources += [f"fd00:0:0:{n + 1:x}::1" for n in range(300)]
    heard, start, tried, ended = [], time.monotonic(), set(), threading.Event()

    def log_in(source, password):
        box = BOX6 if ":" in source else BOX
        named = f"[{box}]" if ":" in box else box
        return request(program.port, f"POST /login origin=http://{named}:{program.port}",
                       b"password=" + password, host=box, source=source)

    def guess(mine):  # each of `mine` in turn, once its wait is over
        due = dict.fromkeys(mine, 0)
        while not ended.is_set():
            source = min(due, key=due.get)
            time.sleep(max(0, due[source] - time.monotonic()))
            answer = log_in(source, b"wrong")
            heard.extend([time.monotonic()] if answer.status == 401 else [])
            due[source] = time.monotonic() + int(answer.headers["retry-after"])
            tried.add(source)
    with concurrent.futures.ThreadPoolExecutor(12) as pool:  # well within the 32 connections
        guesses = [pool.submit(guess, sources[n::12]) for n in range(12)]
        try:
            until("every stranger to have tried", lambda: len(tried), lambda n: n == len(sources),
                  seconds=30)
            time.sleep(1)
            owner = log_in(OWNER, program.password().encode())
            check(f"the owner let in at once ({owner.status})", owner.status == 204, owner.headers)
        finally:
            ended.set()
        for done in guesses:
            done.result()
    # The gate's seconds begin at its own attempts: any of ours may hold the end of one and the
    # start of the next.
    seconds = int(time.monotonic() - start) + 1
    per_second = [sum(second <= at - start < second + 1 for at in heard)
                  for second in range(seconds)]
    check(f"at most 10 heard in each of the gate's seconds ({per_second} in ours)",
          sum(per_second) <= 10 * (seconds + 1) and max(per_second) <= 20, per_second)


def shares(program):
    """One client holds at most 8 of the 32 HTTP connections and 4 of rigctld's 16 places; the
    32 kept alive by four strangers give way to the owner's, the longest idle first."""
    def kept(source):  # a connection answered once, then idle
        return request(program.port, "GET /", host=BOX, source=source)

    def refused(connect):  # closed by the server; a wait that runs out fails the test
        try:
            connect()
        except (Closed, OSError):
            return True
        return False
    strangers = [STRANGER, "10.1.9.1", "10.1.9.2", "10.1.9.3"]
    idle = [kept(source) for source in strangers[:1] * 8]
    check("a ninth connection from one client closed unanswered", refused(lambda: kept(STRANGER)))
    idle += [kept(source) for source in strangers[1:] * 8]
    check("the owner answered with 32 kept alive by strangers", kept(OWNER).status == 200)
    check("the longest idle let go for it", refused(lambda: idle[0].read("its end", 5)))
    port = program.announced("rigctld")
    clients = [Rigctld(port, host=BOX, source=STRANGER) for _ in range(5)]
    check("rigctld: four from one address answered, the fifth closed",
          not any(refused(lambda c=c: c.ask(b"f\n")) for c in clients[:4]) and
          refused(lambda: clients[4].ask(b"f\n")))
    check("rigctld: the owner answered", Rigctld(port, host=BOX, source=OWNER).ask(b"f\n") ==
          b"106200000\n")


def behind_nginx(program):
    """nginx with TLS on the box's address before the page, which believes its X-Forwarded-For
    alone: a stranger who names the owner's address in his own header, straight to the page and
    then flooding through nginx, keeps only himself waiting; the owner, through nginx, in at once."""
    def log_in(source, password, port, tls):
        scheme = "https" if tls else "http"
        return request(port, f"POST /login origin={scheme}://{BOX}:{port} x-forwarded-for={OWNER}",
                       b"password=" + password, host=BOX, source=source, tls=tls)
    with contextlib.ExitStack() as after:
        nginx(after, f"{BOX}:8443", program.port)
        check("straight to the page, told to wait after a wrong password",
              [log_in(STRANGER, b"wrong", program.port, False).status for _ in range(2)] ==
              [401, 429])
        for _ in range(20):
            log_in(STRANGER, b"wrong", 8443, True)
        owner = log_in(OWNER, program.password().encode(), 8443, True)
        check(f"the owner through nginx let in at once ({owner.status})", owner.status == 204,
              owner.headers)


if "--strangers" in sys.argv or "--proxy" in sys.argv:
    BOX, BOX6, STRANGER, OWNER = "192.0.2.1", "fd00:ffff::1", "192.0.2.2", "192.0.2.3"
    WAITS = [1, 2, 4]  # by hand from the README: they double (to a minute)
    subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
    subprocess.run(["ip", "-batch", "-"], check=True, text=True, input="".join(
        f"address add {address} dev lo{' nodad' if ':' in address else ''}\n" for address in
        [BOX, STRANGER, OWNER, "10.1.0.0/16", BOX6] +
        [f"fd00:0:0:{n + 1:x}::1/64" for n in range(300)]))
    if "--proxy" in sys.argv:
        run_on_program(PROGRAM, "behind nginx", behind_nginx, "--headless", "--http-proxy",
                       "127.0.0.1", host="0.0.0.0")
        finish()
    run_on_program(PROGRAM, "off loopback", strangers, "--headless", host=BOX)
    run_on_program(PROGRAM, "a flood from 600 clients", flood, "--headless", host="[::]")
    run_on_program(PROGRAM, "shares", shares, "--headless", "--rigctld", f"{BOX}:0", host=BOX)
    finish()
run_on_program(PROGRAM, "on 127.0.0.1", lambda program: (
    answers(program, TABLES["on 127.0.0.1"]), messages(program),
    raw_answers(program.port, TABLES["raw requests"])),
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

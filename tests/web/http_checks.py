#!/usr/bin/env python3
"""The page's server as browsers and strangers reach it, without a browser: on 127.0.0.1 (no
password), on 0.0.0.0 (a password), its WebSocket messages, and the starts that fail.

Usage: http_checks.py [wine] PROGRAM
"""
import os
import re
import socket
import subprocess
import sys
import time

from web_support import (Connection, check, drained, finish, frame, opened, program_command,
                         run_on_program, upgrade)

PROGRAM = program_command(sys.argv[1:])
# What every answer but a WebSocket's carries, exactly.
SECURITY_HEADERS = {
    "content-security-policy": "default-src 'none'; script-src 'self'; style-src 'self'; "
                               "img-src 'self'; connect-src 'self'; form-action 'self'; "
                               "base-uri 'none'; frame-ancestors 'none'",
    "x-content-type-options": "nosniff",
    "referrer-policy": "no-referrer",
    "cache-control": "no-store",
    "x-frame-options": "DENY",
}
RANDOM_TOKENS = 300
OWN, FORGED, SITE = "127.0.0.1:{port}", "rebound.example:{port}", "http://127.0.0.1:{port}"


def get(path, host=OWN, cookie=None):
    return "GET", path, {"Host": host, "Cookie": cookie}, b""


def socket_from(origin, host=OWN, cookie=None):
    return "GET", "/socket", upgrade(host, origin, cookie), b""


LOGIN = "POST", "/login", {"Host": OWN, "Origin": SITE,
                           "Content-Type": "application/x-www-form-urlencoded"}, b"password=x"
# (case, request, status, what the body holds); {port} is the panel's, {cookie} a session's.
OPEN_CASES = [
    ("the tuning page", get("/"), 200, b'id="frequency"'),
    ("the page's script", get("/page.js"), 200, b"WebSocket"),
    ("a file that is not there", get("/page.jsx"), 404, b""),
    ("a sweep's rows before any sweep", get("/sweep.csv"), 404, b"No sweep yet."),
    ("the page under localhost", get("/", "localhost:{port}"), 200, b'id="frequency"'),
    ("a forged Host", get("/", FORGED), 421, b""),
    ("its address on another port", get("/", "127.0.0.1:1"), 421, b""),
    ("POST /login where no password is needed", LOGIN, 404, b""),
    ("a WebSocket from the page", socket_from(SITE), 101, b""),
    ("a WebSocket from another site", socket_from("http://rebound.example"), 403, b""),
    ("a WebSocket without an Origin", socket_from(None), 403, b""),
    ("a WebSocket under a forged Host", socket_from("http://" + FORGED, FORGED), 403, b""),
]
GUARDED_CASES = [
    ("the login page without a session", get("/"), 200, b'id="password"'),
    ("the tuning page with a session", get("/", cookie="{cookie}"), 200, b'id="frequency"'),
    ("a forged Host", get("/", FORGED, "{cookie}"), 421, b""),
    ("a sweep's plot without a session", get("/sweep.svg"), 403, b""),
    ("the stations without a session", get("/stations.csv"), 403, b""),
    ("the stations with a session", get("/stations.csv", cookie="{cookie}"), 200, b"name,mhz\n"),
    ("a sweep's rows with a session, before any sweep", get("/sweep.csv", cookie="{cookie}"),
     404, b"No sweep yet."),
    ("a WebSocket without a session", socket_from(SITE), 403, b""),
    ("a WebSocket with a made-up session", socket_from(SITE, cookie="saa1057-session=0f"), 403,
     b""),
    ("a WebSocket from another site", socket_from("http://a.example", cookie="{cookie}"), 403,
     b""),
    ("a WebSocket with a session", socket_from(SITE, cookie="{cookie}"), 101, b""),
    # Through a TLS proxy: the box's name over https, on the proxy's port.
    ("a WebSocket through a TLS proxy", socket_from("https://localhost:8443", cookie="{cookie}"),
     101, b""),
    ("a WebSocket from another site over https",
     socket_from("https://a.example", cookie="{cookie}"), 403, b""),
]
# (seconds waited first, the right password?, status, Retry-After): the waits double.
LOGINS = [(0, False, 401, "1"), (0, True, 429, "1"), (1.1, False, 401, "2"), (0, True, 429, "2"),
          (2.1, True, 204, None)]
# (request, what the answer holds); another page watches.
MESSAGES = [
    (None, {"type": "setup", "range": "63 to 120 MHz",
            "divider": {"min": 7370, "max": 13070, "step": 10, "page": 100},
            "speed": {"min": 50, "max": 1000, "step": 1, "page": 40},
            "lists": {"current": ["0.023", "0.07", "0.23", "0.7", "2.3"],
                      "phase": ["Automatic off", "On", "Off"],
                      "test": ["1", "Reference frequency", "Output  programmable counter",
                               "Output in-lock counter"]}}),
    # As the window shows it after start-up: each list on the first row, whose setting Word B
    # carries though none was chosen.
    (None, {"type": "state", "frequency": "106.2", "divider": 11690, "wordA": "0010110110101010",
            "wordB": "1100000100000000", "refh": "1 Khz Reference frequency",
            "sla": "Load mode - asynchronous", "brm": "Current always on", "current": 0,
            "phase": 0, "test": 0, "speed": 100}),
    ({"do": "frequency", "mhz": "130"},
     {"type": "refused", "reason": "130 MHz is outside the tuning range, 63 to 120 MHz"}),
    ({"do": "frequency", "mhz": "96,1"},
     {"type": "state", "frequency": "96.1", "divider": 10680, "wordA": "0010100110111000"}),
    ({"do": "save station", "name": " Radio 4 "}, {"type": "stations", "stations": [
        {"name": "Radio 4", "mhz": "96.1", "divider": 10680}]}),
    ({"do": "tune", "divider": 99999}, {"type": "state", "frequency": "120", "divider": 13070}),
    ({"do": "tune station", "name": "Radio 4"}, {"type": "state", "divider": 10680}),
    ({"do": "save station", "name": "+44"}, {"type": "refused", "reason":
                                             '"+44" begins with +, which a spreadsheet takes for a formula'}),
    ({"do": "save station", "name": "Three"}, {"type": "stations"}),
    ({"do": "rename station", "name": "Three", "to": "Radio 4"},
     {"type": "refused", "reason": '"Radio 4" is a station already'}),
    ({"do": "rename station", "name": "Radio 4", "to": 'Four, "4"'}, {"type": "stations"}),
    ({"do": "delete station", "name": "Three"}, {"type": "stations", "stations": [
        {"name": 'Four, "4"', "mhz": "96.1", "divider": 10680}]}),
    ({"do": "tune station", "name": "Three"},
     {"type": "refused", "reason": '"Three" is not a station here'}),
    ({"do": "tune", "divider": 99999}, {"type": "state", "frequency": "120", "divider": 13070}),
    ({"do": "choose", "list": "current", "row": 2}, {"type": "state", "current": 2}),
    ({"do": "press", "button": "sla"},
     {"type": "state", "sla": "Load mode - synchronous", "wordB": "1100010110000000"}),
    ({"do": "speed", "value": 2000}, {"type": "state", "speed": 1000}),
]
# (case, --http, Qt's reason): each ends the program with 1 and one line.
FAILED_STARTS = [
    ("a port in use", "127.0.0.1:{busy}", "Address already in use"),
    ("an address this machine lacks", "192.0.2.1:8080", "Cannot assign requested address"),
]


def sent(program, request, cookie="", body=None):
    method, path, headers, default_body = request
    headers = {k: v and v.format(port=program.port, cookie=cookie) for k, v in headers.items()}
    return Connection(program.port, method, path, headers, default_body if body is None else body)


def run_cases(program, cases, cookie=""):
    for case, request, status, holds in cases:
        answer = sent(program, request, cookie)
        check(f"{case}: {status}", answer.status == status, f"answered {answer.status}")
        check(f"{case}: the body holds {holds}", holds in answer.body, answer.body[:300])
        headers = {name: answer.headers.get(name) for name in SECURITY_HEADERS}
        check(f"{case}: the security headers", answer.status == 101 or
              headers == SECURITY_HEADERS, headers)


def log_in(program):
    """Wrong and early passwords, then the right one; the session's cookie."""
    password = program.password().encode()
    for wait, right, status, retry_after in LOGINS:
        time.sleep(wait)
        answer = sent(program, LOGIN, body=b"password=" + (password if right else b"wrong"))
        case = f"{'the right' if right else 'a wrong'} password after {wait} s"
        check(f"{case}: {status}, Retry-After {retry_after}", (answer.status, answer.headers.get(
            "retry-after")) == (status, retry_after), f"{answer.status} {answer.headers}")
    cookie = re.fullmatch(r"(saa1057-session=[0-9a-f]+); Path=/; HttpOnly; SameSite=Strict",
                          answer.headers.get("set-cookie", ""))
    check("the session cookie: HttpOnly, SameSite=Strict", cookie, answer.headers)
    return cookie and cookie[1]


def messages(program):
    asker, watcher = sent(program, socket_from(SITE)), sent(program, socket_from(SITE))
    for request, holds in MESSAGES:
        if request:
            asker.send(request)
        asker.await_message(f"the answer to {request}", holds)
    seen = watcher.await_message("the other page's last state", MESSAGES[-1][1])
    check("the other page sees each state and the stations, no refusal",
          all(m["type"] != "refused" for m in seen) and
          sum(m["type"] == "stations" for m in seen) == 5, seen)
    stations = sent(program, get("/stations.csv")).body
    check("the stations' file", stations == b'name,mhz\n"Four, ""4""",96.1\n', stations)


def near_misses(cookie):
    """The session's token with one hex digit changed: the first, one in the middle, the last."""
    name, token = cookie.split("=")
    for at in (0, len(token) // 2, len(token) - 1):
        other = "0" if token[at] != "0" else "1"
        yield f"{name}={token[:at]}{other}{token[at + 1:]}"


def wrong_sessions(program, cookie):
    """Tokens that are not the session's, at the WebSocket's door: every one refused."""
    tokens = [*near_misses(cookie), *(f"saa1057-session={os.urandom(32).hex()}"
                                      for _ in range(RANDOM_TOKENS))]
    admitted = [token for token in tokens
                if sent(program, socket_from(SITE, cookie=token)).status != 403]
    check(f"{len(tokens)} wrong session tokens, 3 of them one digit off: all refused",
          not admitted, admitted[:5])


def exchange(program, raw):
    """Every byte the server answers `raw` with, until it closes or 2 s have passed."""
    with opened(program.port, timeout=2) as sock:
        sock.sendall(raw.replace(b"{port}", str(program.port).encode()))
        return drained(sock, 2)[0]


HEAD = b"Host: 127.0.0.1:{port}\r\n"
# (case, bytes sent, what the answer must hold); each alone on its connection.
RFC_CASES = [
    ("HEAD /: the GET's status and length, no body",
     b"HEAD / HTTP/1.1\r\n" + HEAD + b"Connection: close\r\n\r\n",
     lambda a: re.fullmatch(rb"HTTP/1\.1 200 OK\r\n([^\r]+\r\n)*\r\n", a) and
     re.search(rb"\r\nContent-Length: [1-9]\d+\r\n", a)),
    ("a Transfer-Encoding not ending in chunked: 400, closed, its body not a request",
     b"POST /login HTTP/1.1\r\n" + HEAD + b"Transfer-Encoding: chunked, identity\r\n\r\n"
     b"GET / HTTP/1.1\r\n" + HEAD + b"\r\n",
     lambda a: a.startswith(b"HTTP/1.1 400 ") and a.count(b"HTTP/1.1") == 1),
    ("a tuning sent with the upgrade, in one packet: carried out",
     b"GET /socket HTTP/1.1\r\n" + HEAD + b"Origin: http://127.0.0.1:{port}\r\n"
     b"Upgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Version: 13\r\n"
     b"Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n\r\n" +
     frame(b'{"do": "tune", "divider": 10000}'),
     lambda a: a.startswith(b"HTTP/1.1 101 ") and b'"divider":10000' in a),
]


def rfc_cases(program):
    for case, raw, holds in RFC_CASES:
        answer = exchange(program, raw)
        check(case, holds(answer), answer[:600])


def guarded(program):
    cookie = log_in(program)
    run_cases(program, GUARDED_CASES, cookie)
    if cookie:
        wrong_sessions(program, cookie)


for name, options, test in [("127.0.0.1", {}, lambda p: (run_cases(p, OPEN_CASES), messages(p),
                                                          rfc_cases(p))),
                            ("0.0.0.0", {"host": "0.0.0.0"}, guarded)]:
    run_on_program(PROGRAM, f"on {name}", test, "--headless", **options)
with socket.socket() as busy:
    busy.bind(("127.0.0.1", 0))
    busy.listen()
    for case, address, reason in FAILED_STARTS:
        address = address.format(busy=busy.getsockname()[1])
        run = subprocess.run([*PROGRAM, "--headless", "--simulate", "--http", address],
                             capture_output=True, text=True, timeout=30)
        check(f"{case}: status 1 and the message", (run.returncode, run.stderr) == (
            1, f"saa1057-panel: Cannot serve the web page on {address}: {reason}. Give --http a "
               "free port on one of this machine's addresses.\n"), (run.returncode, run.stderr))
finish()

"""What the web tests share: counted checks, bounded waits, the panel on a free port, and raw
HTTP and WebSocket requests (the standard library's clients would send their own Host)."""
import base64
import json
import os
import re
import signal
import socket
import subprocess
import sys
import tempfile
import time

failures = []


class Failed(Exception):
    """A wait that ends the test, saying what was awaited and what was seen."""


def check(what, condition, detail=""):
    if not condition:
        failures.append(what)
        print(f"FAILED: {what}\n  {detail}")


def finish():
    print(f"{len(failures)} failed" if failures else "all passed")
    sys.exit(1 if failures else 0)


def until(what, read, accept, seconds=5):
    deadline = time.monotonic() + seconds
    while not accept(seen := read()):
        if time.monotonic() > deadline:
            raise Failed(f"waited {seconds} s for {what}; saw {seen!r}")
        time.sleep(0.05)
    return seen


def program_command(arguments):
    """The program from the command line's arguments: PROGRAM, or wine PROGRAM.exe."""
    return arguments[:2] if arguments[0] == "wine" else arguments[:1]


class Program:
    """The program with its page on HOST and a port the system chose (self.port), its state
    folder (where a password goes) and its standard error in a folder of its own. With
    rigctld=True, rigctld too, on self.rigctld_port. `command`: program_command's. Under Wine,
    whose prefix the tests share, its state and stations go in that folder too, unless
    own_state=False."""

    def __init__(self, command, *options, host="127.0.0.1", rigctld=False, own_state=True):
        self.folder = tempfile.TemporaryDirectory()
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_STATE_HOME=self.folder.name)
        env.pop("STATE_DIRECTORY", None)
        self.wine = command[0] == "wine"
        self.password_file = os.path.join(self.folder.name, "saa1057-panel", "http-password")
        self.errors = open(os.path.join(self.folder.name, "stderr"), "w+", encoding="utf-8")
        options += ("--rigctld", "127.0.0.1:0") if rigctld else ()
        if self.wine and own_state and "--state" not in options:
            options += ("--state", "Z:" + os.path.join(self.folder.name, "state"))
        self.process = subprocess.Popen([*command, "--simulate", "--http", f"{host}:0", *options],
                                        env=env, stdout=subprocess.DEVNULL, stderr=self.errors)
        try:
            self.port = self.announced("web page")  # sanitizers start slowly
            self.rigctld_port = self.announced("rigctld") if rigctld else None
        except Failed:
            self.end()
            raise

    def announced(self, server):
        """The port that standard error says SERVER listens on."""
        def port():
            if self.process.poll() is not None:
                raise Failed(f"the panel ended at start-up, {self.process.returncode}: "
                             f"{self.stderr()!r}")
            found = re.search(server + r" listens on \S+:(\d+)\n", self.stderr())
            return found and int(found[1])
        return until(f"standard error to name the {server}'s port", port, bool, seconds=30)

    def password(self):
        if self.wine:  # kept where Windows keeps it, in Wine's prefix
            found = re.search(r"asks for the password in (.*)\n", self.stderr())
            self.password_file = found and subprocess.run(
                ["winepath", "-u", found[1]], capture_output=True, text=True,
                timeout=30).stdout.strip()
        try:
            with open(self.password_file, encoding="utf-8") as file:
                return file.readline().rstrip("\n")
        except OSError as error:
            raise Failed(f"the password file: {error}") from None

    def stderr(self):
        self.errors.seek(0)
        return self.errors.read()

    def end(self):
        """SIGTERM; the exit status ("hung" if it had to be killed) and the standard error. Wine
        ends a Windows program at SIGTERM without running its handlers (Windows has no signal
        for it): there, ending at once counts as 0."""
        self.process.terminate()
        try:
            status = self.process.wait(timeout=10)
            if self.wine and status == -signal.SIGTERM:
                status = 0
        except subprocess.TimeoutExpired:
            status = "hung"
            self.process.kill()
            self.process.wait()
        errors = self.stderr()
        self.errors.close()
        self.folder.cleanup()
        return status, errors


def run_on_program(command, what, test, *options, **keywords):
    """test(program) on the program started with `options` (and Program's keywords), then its
    end: a wait that failed and an unclean end each count as a failed check."""
    program = Program(command, *options, **keywords)
    try:
        test(program)
    except Failed as failure:
        check(what, False, failure)
    finally:
        status, errors = program.end()
    check(f"{what}: SIGTERM ends it with 0, no sanitizer report",
          status == 0 and "Sanitizer" not in errors and "runtime error" not in errors, errors)


class Connection:
    """One request on a connection of its own; after an upgrade (101), the WebSocket."""

    def __init__(self, port, method, path, headers, body=b"", host="127.0.0.1", source=None):
        self.sock = socket.create_connection((host, port), timeout=5,
                                             source_address=source and (source, 0))
        head = [f"{method} {path} HTTP/1.1", f"Content-Length: {len(body)}"]
        head += [f"{name}: {value}" for name, value in headers.items() if value]
        self.sock.sendall(("\r\n".join(head) + "\r\n\r\n").encode() + body)
        self.reader = self.sock.makefile("rb")
        self.status = int(self.reader.readline().split()[1])
        self.headers = {}
        while line := self.reader.readline().decode().strip():
            name, value = line.split(":", 1)
            self.headers[name.lower()] = value.strip()
        self.body = self.reader.read(int(self.headers.get("content-length", 0)))

    @classmethod
    def of(cls, sock):
        """The WebSocket already open on `sock`."""
        connection = cls.__new__(cls)
        connection.sock, connection.reader = sock, sock.makefile("rb")
        return connection

    def send(self, message):  # a masked text frame of less than 64 KiB
        data, mask = json.dumps(message).encode(), os.urandom(4)
        length = bytes([0x80 | len(data)]) if len(data) < 126 else (
            bytes([0x80 | 126]) + len(data).to_bytes(2, "big"))
        self.sock.sendall(bytes([0x81]) + length + mask +
                          bytes(b ^ mask[i % 4] for i, b in enumerate(data)))

    def receive(self):
        """The next message, None once the server closes or nothing comes in time."""
        try:
            payload, first = b"", 0
            while not first & 0x80:  # up to the frame that ends the message
                first, length = self.reader.read(2)
                if length >= 126:
                    length = int.from_bytes(self.reader.read(2 if length == 126 else 8), "big")
                payload += self.reader.read(length)
                if first & 0x0F == 8:
                    return None
            return json.loads(payload)
        except (OSError, ValueError):
            return None

    def await_message(self, what, holds, seconds=5):
        """The messages received up to the first that holds the items `holds`."""
        seen, deadline = [], time.monotonic() + seconds
        self.sock.settimeout(seconds)
        while time.monotonic() < deadline and (message := self.receive()):
            seen.append(message)
            if holds.items() <= message.items():
                return seen
        raise Failed(f"waited {seconds} s for {what}; saw {seen}")

def upgrade(host, origin, cookie=None):
    return {"Host": host, "Origin": origin, "Cookie": cookie, "Upgrade": "websocket",
            "Connection": "Upgrade", "Sec-WebSocket-Version": "13",
            "Sec-WebSocket-Key": base64.b64encode(os.urandom(16)).decode()}

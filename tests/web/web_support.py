"""What the tests that run the panel share: checks, bounded waits, golden files, the panel on a
free port, and clients of its servers (the standard library's would send their own Host)."""
import base64
import json
import os
import re
import select
import signal
import socket
import ssl
import subprocess
import sys
import tempfile
import time

failures, checked = [], [0]


class Failed(AssertionError):
    """A wait that ends the test; an AssertionError, which the soak's clients count."""


class Closed(Failed):
    """The server closed or reset the connection, or closed the WebSocket."""


def check(what, condition, detail=""):
    checked[0] += 1
    if not condition:
        failures.append(what)
        print(f"FAILED: {what}\n  {detail}")


def finish():
    check("any check ran", checked[0])  # a test that checked nothing has not passed
    print(f"{len(failures)} failed" if failures else "all passed")
    sys.exit(1 if failures else 0)


def until(what, read, accept, seconds=5):
    deadline = time.monotonic() + seconds
    while not accept(seen := read()):
        if time.monotonic() > deadline:
            raise Failed(f"waited {seconds} s for {what}; saw {seen!r}")
        time.sleep(0.05)
    return seen


def golden(path):
    """A golden file's lines, without blank ones and comments (#)."""
    with open(path, encoding="utf-8") as file:
        return [line.rstrip("\n") for line in file if line.strip() and not line.startswith("#")]


def tables(path):
    """A golden file's rows, split at " | ", by the [heading] above them ("" above the first)."""
    found = {"": (rows := [])}
    for line in golden(path):
        if line.startswith("["):
            rows = found[line[1:-1]] = []
        else:
            rows.append(line.split(" | "))
    return found


def ran(command, *options, seconds=30):
    # Through files: under Wine, services that the program starts may hold its pipes open until
    # every Wine program has ended. CRLF is read as LF.
    with tempfile.TemporaryFile("w+", encoding="utf-8") as out, \
            tempfile.TemporaryFile("w+", encoding="utf-8") as err:
        status = subprocess.run([*command, *options], stdout=out, stderr=err,
                                timeout=seconds).returncode
        return status, *(file.seek(0) or file.read() for file in (out, err))


def program_command(arguments):
    return arguments[:2] if arguments[0] == "wine" else arguments[:1]


class Program:
    """The program with its page on HOST:self.port (rigctld=True: rigctld on self.rigctld_port),
    its state in a folder of its own (under Wine's shared prefix too, unless own_state=False)."""

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
            self.port = self.announced("web page")
            self.rigctld_port = self.announced("rigctld") if rigctld else None
        except Failed:
            self.end()
            raise

    def announced(self, server):  # given a minute, as sanitizers start slowly
        def said():
            if self.process.poll() is not None:
                raise Failed(f"the panel ended at start-up, {self.process.returncode}: "
                             f"{self.stderr()!r}")
            return self.stderr()
        pattern = re.compile(server + r" listens on \S+:(\d+)\n")
        return int(pattern.search(until(f"standard error to name the {server}'s port", said,
                                        pattern.search, seconds=60))[1])

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

    def end(self, seconds=10):
        """SIGTERM; the exit status ("hung" if killed after `seconds`, "reported" if a sanitizer
        reported) and the standard error."""
        self.process.terminate()
        try:
            status = self.process.wait(timeout=seconds)
            # Wine ends a Windows program at SIGTERM without running its handlers (Windows
            # has no signal for it): there, ending at once counts as 0.
            if self.wine and status == -signal.SIGTERM:
                status = 0
        except subprocess.TimeoutExpired:
            status = "hung"
            self.process.kill()
            self.process.wait()
        errors = self.stderr()
        self.errors.close()
        self.folder.cleanup()
        return "reported" if "Sanitizer" in errors or "runtime error" in errors else status, errors


def run_on_program(command, what, test, *options, end_s=10, **keywords):
    """test(program), then its end: a wait that failed and an unclean end each count as failed."""
    program = Program(command, *options, **keywords)
    try:
        test(program)
    except Failed as failure:
        check(what, False, failure)
    finally:
        status, errors = program.end(end_s)
    check(f"{what}: SIGTERM ends it with 0, no sanitizer report", status == 0,
          f"{status}: {errors}")


def resident_kib(pid):
    with open(f"/proc/{pid}/status", encoding="ascii") as file:
        return int(file.read().split("VmRSS:")[1].split()[0])


def busy_seconds(pid, seconds=2):
    def ticks():
        with open(f"/proc/{pid}/stat", encoding="ascii") as stat:
            return sum(map(int, stat.read().rsplit(")", 1)[1].split()[11:13]))
    before = ticks()
    time.sleep(seconds)
    return (ticks() - before) / os.sysconf("SC_CLK_TCK")


def bus_words(trace, seconds=300):
    """The bus's 17-bit words in a value change dump, as sigrok's SPI decoder reads them."""
    decoded = subprocess.run(
        ["sigrok-cli", "-I", "vcd:compress=1000", "-i", trace, "-A", "spi=mosi-data", "-P",
         "spi:clk=CLB:mosi=DATA:cs=DLEN:cs_polarity=active-high:cpol=0:cpha=0:"
         "bitorder=msb-first:wordsize=17"], capture_output=True, text=True, timeout=seconds,
        check=True).stdout
    return [format(int(word, 16), "017b") for word in decoded.split()[1::2]]


def opened(port, timeout=5, rcvbuf=None, host="127.0.0.1", source=None, tls=False):
    # rcvbuf is set before connecting, that the window starts small.
    connection = socket.socket(socket.AF_INET6 if ":" in host else socket.AF_INET)
    if rcvbuf:
        connection.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, rcvbuf)
    if source:
        connection.bind((source, 0))
    connection.settimeout(timeout)
    connection.connect((host, port))
    if tls:  # to nginx, whose certificate the test made
        context = ssl.create_default_context()
        context.check_hostname, context.verify_mode = False, ssl.CERT_NONE
        connection = context.wrap_socket(connection)
    return connection


def nginx(after, listen, panel):
    """nginx with TLS on `listen` (HOST:PORT) before the panel's port `panel`, configured as the
    README shows (whole, with what a server of its own needs) for a certificate made here; ended,
    and checked, by the ExitStack `after`."""
    folder = after.enter_context(tempfile.TemporaryDirectory())
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, "..", "..", "README.md"), encoding="utf-8") as readme:
        block = re.search(r"\n    server \{\n(?:    .*\n)+?    \}\n", readme.read())[0]
    key, certificate = os.path.join(folder, "box.key"), os.path.join(folder, "box.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1",
                    "-subj", "/CN=localhost", "-addext", "subjectAltName=DNS:localhost",
                    "-keyout", key, "-out", certificate], check=True, capture_output=True)
    for ours, stands in tables(os.path.join(here, "page_runs.txt"))["nginx"]:
        check(f"the README's nginx block holds {ours}", ours in block, block)
        block = block.replace(ours, stands.format(listen=listen, key=key, certificate=certificate,
                                                  panel=panel))
    # One process, which writes no temporary files in the test's private folder: workers may
    # run as nobody, and in a namespace of the test's own cannot.
    with open(os.path.join(folder, "nginx.conf"), "w", encoding="utf-8") as conf:
        conf.write(f"daemon off; master_process off; pid {folder}/nginx.pid; "
                   f"error_log {folder}/error.log;\nevents {{}}\n"
                   f"http {{ access_log off; proxy_max_temp_file_size 0;\n{block}}}\n")
    server = subprocess.Popen(["nginx", "-p", folder, "-c", "nginx.conf"],
                              stderr=subprocess.PIPE, text=True)
    after.callback(lambda: check("nginx ran until ended", server.terminate() or
                                 server.wait() == 0, server.stderr.read()))
    host, port = listen.rsplit(":", 1)
    until("nginx to listen", lambda: server.poll() is None and
          socket.socket().connect_ex((host, int(port))) == 0, bool)


def drained(connection, seconds):
    data, deadline = b"", time.monotonic() + seconds
    try:
        while select.select([connection], [], [], max(deadline - time.monotonic(), 0))[0]:
            if not (chunk := connection.recv(1 << 20)):
                return data, True
            data += chunk
            if time.monotonic() > deadline:
                break
    except OSError:
        return data, True
    return data, False


def frame(data):
    """A masked text frame, as a browser sends, of less than 64 KiB."""
    mask = os.urandom(4)
    length = bytes([0x80 | len(data)]) if len(data) < 126 else (
        bytes([0x80 | 126]) + len(data).to_bytes(2, "big"))
    return bytes([0x81]) + length + mask + bytes(b ^ mask[i % 4] for i, b in enumerate(data))


def raw(port, sent, seconds=2):
    """What the server answers `sent` ({port}: PORT, \\r\\n as written, {C*N}: C N times, after
    " frame: " a masked frame's text in the same packet) until it closes or `seconds` have
    passed, and whether it closed."""
    sent, _, text = re.sub(r"\{(.)\*(\d+)\}", lambda found: found[1] * int(found[2]),
                           sent.replace("{port}", str(port))).partition(" frame: ")
    with opened(port, timeout=seconds) as connection:
        connection.sendall(sent.replace("\\r\\n", "\r\n").encode() +
                           (frame(text.encode()) if text else b""))
        return drained(connection, seconds)


def raw_answers(port, rows, seconds=2):
    """Each row: the case | raw()'s `sent` | a pattern that all the answer matches | whether the
    connection is then "closed" or still "open"."""
    for case, sent, pattern, then in rows:
        answer, closed = raw(port, sent, seconds)
        check(f"{case}, then {then}", re.fullmatch(pattern.encode(), answer, re.S) and
              then == ("closed" if closed else "open"), answer[:600])


def matches(expected, seen):
    """Whether `seen` is `expected`, or for "~PATTERN" a text that it matches."""
    if isinstance(expected, str) and expected.startswith("~"):
        return re.fullmatch(expected[1:], str(seen)) is not None
    return seen == expected


def holds(expected, message):
    """Whether the message has the expected items (None: must not have it)."""
    return all(key not in message if value is None else key in message and
               matches(value, message[key]) for key, value in expected.items())


class Client:
    """A connection of the test's own; `pending` holds what came and is not yet taken."""

    def __init__(self, port, timeout=5, **keywords):
        self.sock, self.pending, self.timeout = opened(port, timeout, **keywords), b"", timeout

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.sock.close()

    def read(self, what, seconds):
        self.sock.settimeout(seconds)
        after = f"{what}, after {self.pending[-200:]!r}"
        try:
            chunk = self.sock.recv(65536) or "EOF"
        except TimeoutError:
            raise Failed(f"waited {seconds:.2f} s for {after}") from None
        except OSError as error:
            chunk = error
        if not isinstance(chunk, bytes):
            raise Closed(f"the server closed the connection ({chunk!r}) before {after}")
        self.pending += chunk


class Rigctld(Client):
    """Asks as Hamlib's clients do: a request, then its answer."""

    def ask(self, request, lines=1):
        self.sock.sendall(request)
        while self.pending.count(b"\n") < lines:
            self.read(f"the answer to {request!r}", self.timeout)
        answer, self.pending = self.pending, b""
        return answer


class Connection(Client):
    """One request on a connection of its own; after an upgrade (101), the WebSocket."""

    def __init__(self, port, method, path, headers, body=b"", **keywords):
        super().__init__(port, **keywords)
        request = [f"{method} {path} HTTP/1.1", f"Content-Length: {len(body)}"]
        request += [f"{name}: {value}" for name, value in headers.items() if value]
        self.sock.sendall(("\r\n".join(request) + "\r\n\r\n").encode() + body)
        while b"\r\n\r\n" not in self.pending:
            self.read("the answer's head", self.timeout)
        answer, self.pending = self.pending.split(b"\r\n\r\n", 1)
        lines = answer.decode().split("\r\n")
        self.status = int(lines[0].split()[1])
        self.headers = {name.strip().lower(): value.strip() for name, value in
                        (line.split(":", 1) for line in lines[1:])}
        length = int(self.headers.get("content-length", 0))
        while len(self.pending) < length:
            self.read("the answer's body", self.timeout)
        self.body, self.pending = self.pending[:length], self.pending[length:]

    def send(self, message):
        self.sock.sendall(frame(json.dumps(message).encode()))

    def next_frame(self, what="a frame", seconds=5):
        """The next frame: its opcode, whether it ends its message, its payload."""
        while True:
            data, start = self.pending, 2
            if len(data) > 1:
                size = data[1] & 0x7F
                if size >= 126:
                    start = 4 if size == 126 else 10
                    size = int.from_bytes(data[2:start], "big")
                if len(data) >= start + size:
                    self.pending = data[start + size:]
                    return data[0] & 0x0F, data[0] & 0x80, data[start:start + size]
            self.read(what, seconds)

    def received(self, what="a message", seconds=5):
        """The next text message, its fragments joined, and its size in bytes."""
        payload = b""
        while True:
            opcode, last, data = self.next_frame(what, seconds)
            if opcode == 8:
                raise Closed(f"the server closed the page ({data[:2].hex()}) before {what}")
            if opcode in (0, 1):
                payload += data
                if last:
                    break
        try:
            return json.loads(payload), len(payload)
        except ValueError:
            raise Failed(f"{what}: not JSON, {payload[:200]!r}") from None

    def await_message(self, what, expected, seconds=5):
        """The messages up to the first that holds(`expected`)."""
        seen, deadline = [], time.monotonic() + seconds
        try:
            while not seen or not holds(expected, seen[-1]):
                seen.append(self.received(what, max(deadline - time.monotonic(), 0.01))[0])
                if time.monotonic() > deadline and not holds(expected, seen[-1]):
                    raise Failed("time is up")
        except Failed as failure:  # a Closed still
            raise type(failure)(f"waited {seconds} s for {what}; saw {seen}: {failure}") from None
        return seen

    def asked(self, request, expected, seconds=10):
        """await_message() after `request`, each None for none."""
        if request:
            self.send(request)
        return self.await_message(f"the answer to {request}", expected, seconds) if expected else []

    def talk(self, rows, seconds=10):
        """asked() for each row of a table, written in JSON; all the messages seen."""
        return [seen for row in rows for seen in self.asked(*map(json.loads, row), seconds)]


def request(port, line, body=b"", host="127.0.0.1", **keywords):
    """The answer to "METHOD PATH NAME=VALUE..." ({port}: PORT; the Host HOST:PORT unless
    given), on a connection of its own; to /socket, an upgrade to a WebSocket."""
    method, path, *fields = line.replace("{port}", str(port)).split()
    named = f"[{host}]" if ":" in host else host
    headers = {"host": f"{named}:{port}"} | dict(field.split("=", 1) for field in fields)
    if path == "/socket":
        headers |= {"upgrade": "websocket", "connection": "Upgrade",
                    "sec-websocket-version": "13",
                    "sec-websocket-key": base64.b64encode(os.urandom(16)).decode()}
    return Connection(port, method, path, headers, body, host=host, **keywords)


def page(port, **keywords):
    return request(port, "GET /socket origin=http://127.0.0.1:{port}", **keywords)

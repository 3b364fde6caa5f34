#!/usr/bin/env python3
"""Holds down the power button of QEMU's virt board, through QEMU's monitor (QMP), while the
guest asks for it: from the moment FOLDER/button-down appears until FOLDER/button-up does. The
board wires the button to line 3 of its PL061 GPIO controller, and each system_powerdown raises
that line for 100 ms; pressed again well within that, the line stays high. With the guest's
gpio_keys gone the press is only a level on the line, and powers nothing down.

Prints what it did; fails when the guest never asked, or never let go within HOLD_LIMIT seconds.
Usage: power_button.py SOCKET FOLDER     (SOCKET: QEMU's -qmp unix:SOCKET,server=on,wait=off)
"""
import json
import os
import select
import socket
import sys
import time

# Seconds for QEMU to open its monitor: boot.sh may first download a kernel. The test ends this
# sooner, once boot.sh has returned.
SOCKET_WAIT = 600
HOLD_LIMIT = 30  # seconds: the guest lets go within a second, even on a loaded machine
PRESS_EVERY = 0.02  # seconds: each press lasts 0.1 s, so a stall of this process may take 0.08
ANSWER_WAIT = 10  # seconds for QEMU to answer a command


def fail(message):
    sys.exit(f"power_button.py: {message}")


class Monitor:
    """QMP on a unix socket: JSON objects one a line, events among the answers."""

    def __init__(self, sock):
        self.sock = sock
        self.sock.settimeout(ANSWER_WAIT)
        self.pending = b""
        if "QMP" not in self.message():
            fail("QEMU's monitor did not greet with QMP")
        # Until the capabilities are negotiated, QMP takes no other command.
        self.command("qmp_capabilities")

    def message(self):
        while b"\n" not in self.pending:
            try:
                data = self.sock.recv(4096)
            except socket.timeout:
                fail(f"QEMU's monitor said nothing for {ANSWER_WAIT} s")
            if not data:
                raise EOFError
            self.pending += data
        line, self.pending = self.pending.split(b"\n", 1)
        return json.loads(line)

    def command(self, name):
        self.sock.sendall(json.dumps({"execute": name}).encode() + b"\n")
        while True:
            answer = self.message()
            if "error" in answer:
                fail(f"QEMU refused {name}: {answer['error']}")
            if "return" in answer:
                return

    def running(self, seconds):
        """Whether QEMU still runs after up to `seconds` of waiting: its end closes the socket."""
        if select.select([self.sock], [], [], seconds)[0]:
            data = self.sock.recv(4096)
            if not data:
                return False
            self.pending += data
        return True


def connect(path):
    """The monitor's socket, once QEMU listens on it."""
    started = time.monotonic()
    while True:
        sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        try:
            sock.connect(path)
            return sock
        except (FileNotFoundError, ConnectionRefusedError):
            sock.close()
        if time.monotonic() - started > SOCKET_WAIT:
            fail(f"QEMU opened no monitor at {path} within {SOCKET_WAIT} s")
        time.sleep(0.1)


def main():
    path, folder = sys.argv[1], sys.argv[2]
    try:
        monitor = Monitor(connect(path))
        # The guest's own time limit (boot.sh) bounds this wait: its end closes the socket.
        while not os.path.exists(os.path.join(folder, "button-down")):
            if not monitor.running(0.05):
                fail("the guest never asked for the power button")
    except (EOFError, OSError) as error:
        fail(f"QEMU's monitor at {path} failed: {error or 'closed'}")
    down = time.monotonic()
    presses = 0
    try:
        while not os.path.exists(os.path.join(folder, "button-up")):
            if time.monotonic() - down > HOLD_LIMIT:
                fail(f"the guest did not let go of the power button within {HOLD_LIMIT} s")
            monitor.command("system_powerdown")
            presses += 1
            time.sleep(PRESS_EVERY)
    except (EOFError, OSError):
        fail(f"QEMU ended with the power button held {presses} times: the guest never let go")
    print(f"held the power button for {time.monotonic() - down:.1f} s: {presses} presses")


if __name__ == "__main__":
    main()

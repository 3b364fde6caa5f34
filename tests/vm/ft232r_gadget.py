#!/usr/bin/env python3
"""A stand-in for an FT232R on Linux's USB gadget stack (configfs and FunctionFS), for a guest
whose dummy_hcd joins gadget controllers to its own USB host: once the guest plugs the gadget
SERIAL into a controller (writes dummy_udc.0 to /sys/kernel/config/usb_gadget/SERIAL/UDC, when
/mnt/ffs-SERIAL/ep2 exists), its ftdi_sio and libftdi see an FT232R with serial number SERIAL.

It answers the vendor requests that libftdi and ftdi_sio make, sends the modem status on bulk-in
as the chip does, and records on standard output, one line each:
    control REQUEST VALUE INDEX     every control request FunctionFS passes on (hex)
    bulk-out BYTES                  every bulk-out transfer: each byte one sample of the pins D0-D7
A short packet ends a transfer. One whose length is a multiple of 64 bytes has none: a control
request or a pause ends it here, so two such back to back look like one (usbmon tells them apart).

Its pin D3 is an SAA1057's test pin wired back, from the chip's oscillator as the README's "Did
it lock?" section gives it: it reads the words that the samples on D0 (clock), D1 (data) and D2
(enable) carry, and once a Word B has chosen the in-lock function, D3 is high from the lock time
after the load of a Word A with a divider from 8600 to 12850, 500 + 2900 * (N - 8600)^2 / 4250^2
microseconds, and before it pulses low for 0.2 ms of every millisecond (the 1 kHz reference), the
last pulse ending at the lock; on other dividers it pulses for as long as the word stands. In
synchronous bit-bang mode each sample sent reads the pins back, on bulk-in, at its time on the
sample clock (48 MHz / the divisor set).

An empty line written to the UDC file pulls the cable; the stand-in waits to be plugged in again.
Usage: ft232r_gadget.py SERIAL >LOG     (as root, configfs mounted at /sys/kernel/config)
"""
import ctypes
import errno
import os
import pathlib
import struct
import sys
import threading
import time

CONFIGFS = "/sys/kernel/config/usb_gadget"
STATUS = b"\x01\x60"  # modem status: no modem lines, transmitter empty
PACKET = 64  # full speed
PAUSE_S = 0.1

# FunctionFS v2 descriptors: full and high speed, every control request passed on (FTDI's go
# to the device, which FunctionFS would not pass on otherwise).
HAS_FS_DESC, HAS_HS_DESC, ALL_CTRL_RECIP = 1, 2, 64


def interface_descriptors(max_packet):
    """One vendor interface, bulk-in first (ep1, 0x81) and bulk-out second (ep2, 0x02)."""
    interface = struct.pack("<BBBBBBBBB", 9, 4, 0, 0, 2, 0xFF, 0xFF, 0xFF, 0)
    bulk_in = struct.pack("<BBBBHB", 7, 5, 0x81, 2, max_packet, 0)
    bulk_out = struct.pack("<BBBBHB", 7, 5, 0x02, 2, max_packet, 0)
    return interface + bulk_in + bulk_out


def descriptors():
    body = struct.pack("<III", HAS_FS_DESC | HAS_HS_DESC | ALL_CTRL_RECIP, 3, 3)
    body += interface_descriptors(PACKET) + interface_descriptors(512)
    return struct.pack("<II", 3, 8 + len(body)) + body


def strings():
    return struct.pack("<IIII", 2, 16, 0, 0)


def make_gadget(serial, function_dir):
    """The configfs gadget SERIAL with one FunctionFS function, mounted at function_dir."""
    gadget = f"{CONFIGFS}/{serial}"
    for folder in ("strings/0x409", "configs/c.1", f"functions/ffs.{serial}"):
        os.makedirs(f"{gadget}/{folder}", exist_ok=True)
    for name, value in (("idVendor", "0x0403"), ("idProduct", "0x6001"), ("bcdDevice", "0x0600"),
                        ("bcdUSB", "0x0200"), ("strings/0x409/manufacturer", "FTDI"),
                        ("strings/0x409/product", "FT232R USB UART"),
                        ("strings/0x409/serialnumber", serial),
                        ("configs/c.1/MaxPower", "90")):
        pathlib.Path(gadget, name).write_text(value)
    os.symlink(f"{gadget}/functions/ffs.{serial}", f"{gadget}/configs/c.1/ffs.{serial}")
    os.makedirs(function_dir, exist_ok=True)
    libc = ctypes.CDLL(None, use_errno=True)
    if libc.mount(serial.encode(), function_dir.encode(), b"functionfs", 0, None) != 0:
        raise OSError(ctypes.get_errno(), f"cannot mount FunctionFS at {function_dir}")


CLOCK, DATA, ENABLE, TEST_PIN = 0x01, 0x02, 0x04, 0x08
IN_LOCK = "0101"
PERIOD_US, PULSE_US = 1000, 200  # the reference's period, the in-lock output's pulse
SYNCHRONOUS = 0x04  # the bit mode


class Synthesizer:
    """The SAA1057 on the pins: its serial input and its loop's lock."""

    def __init__(self):
        self.levels = 0
        self.bits = None  # shifted in while the enable is high
        self.pending = None  # a whole word, waiting for the clock pulse that loads it
        self.divider = None
        self.test = None
        self.loaded_at = 0.0

    def sample(self, levels, now):
        rising = levels & CLOCK and not self.levels & CLOCK
        if levels & ENABLE and not self.levels & ENABLE:
            self.bits = ""
        if not levels & ENABLE and self.levels & ENABLE:
            self.pending, self.bits = self.bits, None
        if rising and self.bits is not None:
            self.bits += "1" if levels & DATA else "0"
        elif rising and self.pending is not None:
            self.load(self.pending, now)
            self.pending = None
        self.levels = levels

    def load(self, bits, now):
        if len(bits) != 17:
            return
        word = bits[1:]
        if word[0] == "0" and int(word, 2) != self.divider:
            self.divider, self.loaded_at = int(word, 2), now
        elif word.startswith("11"):
            self.test = word[12:]

    def test_pin(self, now):
        if self.test != IN_LOCK or self.divider is None:
            return False
        since_us = (now - self.loaded_at) * 1e6
        if not 8600 <= self.divider <= 12850:
            return since_us % PERIOD_US >= PULSE_US
        until_lock_us = 500 + 2900 * (self.divider - 8600) ** 2 // 4250 ** 2 - since_us
        return until_lock_us <= 0 or until_lock_us % PERIOD_US == 0 or \
            until_lock_us % PERIOD_US > PULSE_US


class Chip:
    """The chip's state that its requests set and read; the record."""

    def __init__(self):
        self.lock = threading.Lock()
        self.latency_ms = 16
        self.transfer = None  # the bulk-out transfer under way
        self.received_at = 0.0
        self.synthesizer = Synthesizer()
        self.synchronous = False
        self.sample_s = 1 / 48e6  # a tick of the sample clock
        self.next_sample_at = 0.0
        self.read_back = bytearray()  # the pins at each sample, in synchronous mode

    def control(self, request, value, index):
        with self.lock:
            self._end_transfer()
            print(f"control 0x{request:02x} 0x{value:04x} 0x{index:04x}", flush=True)

    def receive(self, packet):
        with self.lock:
            self.transfer = (self.transfer or b"") + packet
            self.received_at = time.monotonic()
            at = max(self.received_at, self.next_sample_at)
            for levels in packet:
                self.synthesizer.sample(levels, at)
                if self.synchronous:
                    pin = TEST_PIN if self.synthesizer.test_pin(at) else 0
                    self.read_back.append(levels & ~TEST_PIN | pin)
                at += self.sample_s
            self.next_sample_at = at
            if len(packet) < PACKET:
                self._end_transfer()

    def end_paused_transfer(self):
        with self.lock:
            if time.monotonic() - self.received_at >= PAUSE_S:
                self._end_transfer()

    def _end_transfer(self):
        if self.transfer is not None:
            print("bulk-out " + self.transfer.hex(), flush=True)
            self.transfer = None

    def bulk_in(self):
        """A packet for the host: the modem status, then what samples have read back."""
        with self.lock:
            samples = bytes(self.read_back[:PACKET - len(STATUS)])
            del self.read_back[:len(samples)]
        return STATUS + samples

    def answer(self, request, length):
        """The data of a device-to-host request, None for one the chip does not know."""
        if request == 0x05:  # modem status
            return STATUS[:length]
        if request == 0x0A:  # latency timer
            return bytes([self.latency_ms])
        if request == 0x90:  # an EEPROM word: a blank one
            return b"\xff\xff"[:length]
        return None

    def take(self, request, value):
        """Whether the chip knows this host-to-device request; keeps what it sets."""
        with self.lock:
            if request == 0x00:  # a reset, or a purge of either buffer
                self.read_back.clear()
            elif request == 0x03:
                self.sample_s = value / 48e6
            elif request == 0x09:
                self.latency_ms = value & 0xFF
            elif request == 0x0B:
                self.synchronous = value >> 8 == SYNCHRONOUS
        # reset, modem control, flow control, baud rate, data characteristics, bitmode
        return request in (0x00, 0x01, 0x02, 0x03, 0x04, 0x09, 0x0B)


def serve_control(ep0, chip):
    """Answers ep0's events, 12 bytes each: the setup packet, the type (SETUP is 4), padding."""
    while True:
        events = os.read(ep0, 12 * 8)
        for offset in range(0, len(events), 12):
            request_type, request, value, index, length, kind = struct.unpack_from(
                "<BBHHHB", events, offset)
            if kind != 4:
                continue
            chip.control(request, value, index)
            try:
                if request_type & 0x80:
                    data = chip.answer(request, length) if request_type == 0xC0 else None
                    if data is None:
                        os.read(ep0, 0)  # against the request's direction: a stall
                    else:
                        os.write(ep0, data)
                elif request_type == 0x40 and chip.take(request, value):
                    os.read(ep0, length)
                else:
                    os.write(ep0, b"")  # a stall
            except OSError as error:  # EL2HLT: stalled as meant; others: the host went away
                if error.errno not in (errno.EL2HLT, errno.ESHUTDOWN, errno.EIDRM):
                    raise


def forever(step):
    """Runs step in a thread of its own, again and again: a host gone away only pauses it."""
    def loop():
        while True:
            try:
                step()
            except OSError as error:  # detached: the next call waits for the host again
                if error.errno != errno.ESHUTDOWN:
                    raise
    threading.Thread(target=loop, daemon=True).start()


def main():
    serial = sys.argv[1]
    function_dir = f"/mnt/ffs-{serial}"
    make_gadget(serial, function_dir)
    ep0 = os.open(f"{function_dir}/ep0", os.O_RDWR)
    os.write(ep0, descriptors())
    os.write(ep0, strings())
    ep1 = os.open(f"{function_dir}/ep1", os.O_RDWR)
    ep2 = os.open(f"{function_dir}/ep2", os.O_RDWR)
    chip = Chip()
    # The chip sends its modem status whenever the host asks for data, and the samples read back.
    forever(lambda: os.write(ep1, chip.bulk_in()))
    # Packet by packet: a read of a whole transfer would wait for a short packet.
    forever(lambda: chip.receive(os.read(ep2, PACKET)))
    forever(lambda: (time.sleep(PAUSE_S), chip.end_paused_transfer()))
    serve_control(ep0, chip)


if __name__ == "__main__":
    main()

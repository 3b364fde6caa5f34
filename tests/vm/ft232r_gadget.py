#!/usr/bin/env python3
# A stand-in for an FT232R on Linux's USB gadget stack (configfs and FunctionFS), for a guest
# whose dummy_hcd joins gadget controllers to its own USB host: it makes the gadget SERIAL and
# plugs it into the controller UDC (such as dummy_udc.0), where the guest's ftdi_sio and libftdi
# see an FT232R with serial number SERIAL. An empty line written to the gadget's UDC file in
# /sys/kernel/config/usb_gadget/SERIAL pulls the cable.
#
# It answers the vendor requests that ftdi_sio and libftdi make of it, sends the modem status on
# bulk-in as the chip does, and records on standard output, one line each:
#     control REQUEST VALUE INDEX     every control request (hex)
#     bulk-out BYTES                  every bulk-out packet: each byte one sample of the pins D0-D7
#
# Its pin D3 is an SAA1057's test pin wired back, from the chip's oscillator as the README's "Did
# it lock?" section gives it: it reads the words that the samples on D0 (clock), D1 (data) and D2
# (enable) carry, and once a Word B has chosen the in-lock function, D3 is high from the lock time
# after the load of a Word A with a divider from 8600 to 12850, 500 + 2900 * (N - 8600)^2 / 4250^2
# microseconds, and before it pulses low for 0.2 ms of every millisecond (the 1 kHz reference), the
# last pulse ending at the lock; on other dividers it pulses for as long as the word stands. In
# synchronous bit-bang mode each sample sent reads the pins back, on bulk-in, at its time on the
# sample clock (48 MHz / the divisor set).
# Usage: ft232r_gadget.py SERIAL UDC >LOG     (as root, configfs mounted at /sys/kernel/config)
import ctypes
import errno
import os
import pathlib
import struct
import sys
import threading
import time

STATUS = b"\x01\x60"  # modem status: no modem lines, transmitter empty
PACKET = 64  # full speed
CLOCK, DATA, ENABLE, TEST_PIN = 0x01, 0x02, 0x04, 0x08
IN_LOCK = "0101"
PERIOD_US, PULSE_US = 1000, 200  # the reference's period, the in-lock output's pulse
SYNCHRONOUS = 0x04  # the bit mode


def descriptors():
    """FunctionFS v2 descriptors, full and high speed (flags 1, 2), every control request passed
    on (flag 64: FTDI's go to the device): one vendor interface, bulk-in ep1, bulk-out ep2."""
    body = struct.pack("<III", 1 | 2 | 64, 3, 3)
    for max_packet in PACKET, 512:
        body += struct.pack("<9B", 9, 4, 0, 0, 2, 0xFF, 0xFF, 0xFF, 0)
        body += struct.pack("<BBBBHB", 7, 5, 0x81, 2, max_packet, 0)
        body += struct.pack("<BBBBHB", 7, 5, 0x02, 2, max_packet, 0)
    return struct.pack("<II", 3, 8 + len(body)) + body


def make_gadget(serial, udc):
    """The configfs gadget SERIAL with one FunctionFS function, plugged into udc once its
    descriptors are written; the endpoints' files."""
    gadget, function_dir = f"/sys/kernel/config/usb_gadget/{serial}", f"/mnt/ffs-{serial}"
    for folder in (f"{gadget}/strings/0x409", f"{gadget}/configs/c.1",
                   f"{gadget}/functions/ffs.{serial}", function_dir):
        os.makedirs(folder, exist_ok=True)
    for name, value in (("idVendor", "0x0403"), ("idProduct", "0x6001"), ("bcdDevice", "0x0600"),
                        ("bcdUSB", "0x0200"), ("strings/0x409/manufacturer", "FTDI"),
                        ("strings/0x409/product", "FT232R USB UART"),
                        ("strings/0x409/serialnumber", serial),
                        ("configs/c.1/MaxPower", "90")):
        pathlib.Path(gadget, name).write_text(value)
    os.symlink(f"{gadget}/functions/ffs.{serial}", f"{gadget}/configs/c.1/ffs.{serial}")
    if ctypes.CDLL(None).mount(serial.encode(), function_dir.encode(), b"functionfs", 0, None):
        sys.exit(f"cannot mount FunctionFS at {function_dir}")
    ep0 = os.open(f"{function_dir}/ep0", os.O_RDWR)
    os.write(ep0, descriptors())
    os.write(ep0, struct.pack("<IIII", 2, 16, 0, 0))  # no strings
    endpoints = [os.open(f"{function_dir}/ep{n}", os.O_RDWR) for n in (1, 2)]
    pathlib.Path(gadget, "UDC").write_text(udc)
    return ep0, *endpoints


class Chip:
    """The chip's state that its requests set and its samples make: the synthesizer on its pins
    (its serial input and its loop's lock), and what it reads back."""

    def __init__(self):
        self.lock = threading.Lock()
        self.synchronous = False
        self.sample_s = 1 / 48e6  # a tick of the sample clock
        self.next_sample_at = 0.0
        self.read_back = bytearray()  # the pins at each sample, in synchronous mode
        self.levels = 0
        self.bits = None  # shifted in while the enable is high
        self.pending = None  # a whole word, waiting for the clock pulse that loads it
        self.divider = self.test = None
        self.loaded_at = 0.0

    def receive(self, packet):
        with self.lock:
            print("bulk-out " + packet.hex(), flush=True)
            at = max(time.monotonic(), self.next_sample_at)
            for levels in packet:
                self.sample(levels, at)
                if self.synchronous:
                    self.read_back.append(levels & ~TEST_PIN | (TEST_PIN if self.test_pin(at) else 0))
                at += self.sample_s
            self.next_sample_at = at

    def sample(self, levels, now):
        rising = levels & CLOCK and not self.levels & CLOCK
        if levels & ENABLE and not self.levels & ENABLE:
            self.bits = ""
        if not levels & ENABLE and self.levels & ENABLE:
            self.pending, self.bits = self.bits, None
        if rising and self.bits is not None:
            self.bits += "1" if levels & DATA else "0"
        elif rising and self.pending is not None:
            word, self.pending = self.pending[1:], None
            if len(word) == 16 and word[0] == "0" and int(word, 2) != self.divider:
                self.divider, self.loaded_at = int(word, 2), now
            elif len(word) == 16 and word.startswith("11"):
                self.test = word[12:]
        self.levels = levels

    def test_pin(self, now):
        if self.test != IN_LOCK or self.divider is None:
            return False
        since_us = (now - self.loaded_at) * 1e6
        if not 8600 <= self.divider <= 12850:
            return since_us % PERIOD_US >= PULSE_US
        until_lock_us = 500 + 2900 * (self.divider - 8600) ** 2 // 4250 ** 2 - since_us
        return until_lock_us <= 0 or until_lock_us % PERIOD_US == 0 or \
            until_lock_us % PERIOD_US > PULSE_US

    def bulk_in(self):
        """A packet for the host: the modem status, then what samples have read back."""
        with self.lock:
            samples = bytes(self.read_back[:PACKET - len(STATUS)])
            del self.read_back[:len(samples)]
        return STATUS + samples

    def take(self, request, value):
        """Whether the chip takes this host-to-device request; keeps what it sets. Reset or purge
        (0x00), the baud rate (0x03: the sample clock in bit-bang mode), the latency timer (0x09)
        and the bit mode (0x0B) are all that ftdi_sio and libftdi send here."""
        with self.lock:
            if request == 0x00:
                self.read_back.clear()
            elif request == 0x03:
                self.sample_s = value / 48e6
            elif request == 0x0B:
                self.synchronous = value >> 8 == SYNCHRONOUS
            return request in (0x00, 0x03, 0x09, 0x0B)


# The data of the device-to-host requests that ftdi_sio makes: the latency timer (16 ms), an
# EEPROM word (a blank one).
ANSWERS = {0x0A: b"\x10", 0x90: b"\xff\xff"}


def serve_control(ep0, chip):
    """Answers ep0's events, 12 bytes each: the setup packet, the type (SETUP is 4), padding."""
    while True:
        events = os.read(ep0, 12 * 8)
        for offset in range(0, len(events), 12):
            request_type, request, value, index, length, kind = struct.unpack_from(
                "<BBHHHB", events, offset)
            if kind != 4:
                continue
            with chip.lock:
                print(f"control 0x{request:02x} 0x{value:04x} 0x{index:04x}", flush=True)
            try:
                if request_type == 0xC0 and request in ANSWERS:
                    os.write(ep0, ANSWERS[request][:length])
                elif request_type == 0x40 and chip.take(request, value):
                    os.read(ep0, length)
                elif request_type & 0x80:  # others stall: a transfer against their direction
                    os.read(ep0, 0)
                else:
                    os.write(ep0, b"")
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
    ep0, ep1, ep2 = make_gadget(*sys.argv[1:3])
    chip = Chip()
    # The chip sends its modem status whenever the host asks for data, and the samples read back.
    forever(lambda: os.write(ep1, chip.bulk_in()))
    # Packet by packet: a read of a whole transfer would wait for a short packet.
    forever(lambda: chip.receive(os.read(ep2, PACKET)))
    serve_control(ep0, chip)


if __name__ == "__main__":
    main()

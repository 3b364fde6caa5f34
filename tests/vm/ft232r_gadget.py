#!/usr/bin/env python3
# A stand-in for an FT232R on Linux's USB gadget stack (configfs and FunctionFS), for a guest
# whose dummy_hcd joins gadget controllers to its own USB host: it makes the gadget SERIAL and
# plugs it into the controller UDC (such as dummy_udc.0), where the guest's ftdi_sio and libftdi
# see an FT232R with serial number SERIAL. An empty line written to the gadget's UDC file in
# /sys/kernel/config/usb_gadget/SERIAL pulls the cable.
#
# It takes the vendor requests that ftdi_sio and libftdi make of it (answering those that ask with
# nothing: ftdi_sio goes on without), sends the modem status on bulk-in as the chip does, and
# records every bulk-out packet on standard output, a line "bulk-out BYTES" each: each byte one
# sample of the pins D0-D7.
#
# Its pin D3 is an SAA1057's test pin wired back, from the chip's oscillator as the README's "Did
# it lock?" section gives it: it reads the words that the samples on D0 (clock), D1 (data) and D2
# (enable) carry, and once a Word B has chosen the in-lock function, D3 is high from LOCK_US
# (500 unless given) after the load of a Word A with a divider from 8600 to 12850, and before it
# pulses low for 0.2 ms of every millisecond (the 1 kHz reference); on other dividers it pulses
# for as long as the word stands. In synchronous bit-bang mode each sample sent reads the pins
# back at its time on the sample clock (48 MHz / the divisor set), and reaches bulk-in once that
# time has come, as the chip's do.
# Usage: ft232r_gadget.py SERIAL UDC [LOCK_US] >LOG   (as root, configfs at /sys/kernel/config)
import collections
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
LOCK_US = int(sys.argv[3]) if len(sys.argv) > 3 else 500  # after the load, where it locks
SYNCHRONOUS = 0x04  # the bit mode


# The configfs gadget SERIAL with one FunctionFS function, plugged into udc once its descriptors
# are written; the endpoints' files.
def make_gadget(serial, udc):
    gadget, function_dir = f"/sys/kernel/config/usb_gadget/{serial}", f"/mnt/ffs-{serial}"
    for folder in (f"{gadget}/strings/0x409", f"{gadget}/configs/c.1",
                   f"{gadget}/functions/ffs.{serial}", function_dir):
        os.makedirs(folder, exist_ok=True)
    for name, value in (("idVendor", "0x0403"), ("idProduct", "0x6001"), ("bcdDevice", "0x0600"),
                        ("strings/0x409/product", "FT232R USB UART"),
                        ("strings/0x409/serialnumber", serial)):
        pathlib.Path(gadget, name).write_text(value)
    os.symlink(f"{gadget}/functions/ffs.{serial}", f"{gadget}/configs/c.1/ffs.{serial}")
    if ctypes.CDLL(None).mount(serial.encode(), function_dir.encode(), b"functionfs", 0, None):
        sys.exit(f"cannot mount FunctionFS at {function_dir}")
    # FunctionFS v2 descriptors, full speed (flag 1) as dummy_hcd runs here, every control
    # request passed on (flag 64: FTDI's go to the device): one vendor interface, bulk-in ep1,
    # bulk-out ep2.
    body = struct.pack("<II9B", 1 | 64, 3, 9, 4, 0, 0, 2, 0xFF, 0xFF, 0xFF, 0)
    for address in 0x81, 0x02:
        body += struct.pack("<BBBBHB", 7, 5, address, 2, PACKET, 0)
    ep0 = os.open(f"{function_dir}/ep0", os.O_RDWR)
    os.write(ep0, struct.pack("<II", 3, 8 + len(body)) + body)
    os.write(ep0, struct.pack("<IIII", 2, 16, 0, 0))  # no strings
    endpoints = [os.open(f"{function_dir}/ep{n}", os.O_RDWR) for n in (1, 2)]
    pathlib.Path(gadget, "UDC").write_text(udc)
    return ep0, *endpoints


# The chip's state that its requests set and its samples make: the synthesizer on its pins (its
# serial input and its loop's lock), and what it reads back.
class Chip:

    def __init__(self):
        self.synchronous = False
        self.sample_s = 1 / 48e6  # a tick of the sample clock
        self.next_sample_at = 0.0
        self.read_back = collections.deque()  # (time, the pins) at each sample, synchronous mode
        self.levels = 0
        self.bits = ""  # shifted in while the enable is high
        self.divider = self.test = self.loaded_at = None

    def receive(self, packet):
        print("bulk-out " + packet.hex(), flush=True)
        # The host first, whose transfer has ended: on the guest's one processor the stand-in
        # could otherwise clock a word in before its sender has seen it go, which no chip does.
        os.sched_yield()
        at = max(time.monotonic(), self.next_sample_at)
        for levels in packet:
            self.sample(levels, at)
            if self.synchronous:
                pins = levels & ~TEST_PIN | (TEST_PIN if self.test_pin(at) else 0)
                self.read_back.append((at, pins))
            at += self.sample_s
        self.next_sample_at = at

    # A word counts once the enable falls: the load pulse after it is the decoder's to check.
    def sample(self, levels, now):
        if levels & ENABLE and not self.levels & ENABLE:
            self.bits = ""
        elif levels & ENABLE and levels & CLOCK and not self.levels & CLOCK:
            self.bits += "1" if levels & DATA else "0"
        elif self.levels & ENABLE and not levels & ENABLE and len(self.bits) == 17:
            word = self.bits[1:]
            if word[0] == "0" and int(word, 2) != self.divider:
                self.divider, self.loaded_at = int(word, 2), now
            elif word.startswith("11"):
                self.test = word[12:]
        self.levels = levels

    def test_pin(self, now):
        if self.test != IN_LOCK or self.divider is None:
            return False
        since_us = (now - self.loaded_at) * 1e6
        locked = 8600 <= self.divider <= 12850 and since_us >= LOCK_US
        # The pulses counted back from LOCK_US: the line is steady from LOCK_US, not a pulse early.
        return locked or (LOCK_US - since_us) % PERIOD_US >= PULSE_US

    # A packet for the host: the modem status, then what samples have read back by now (each
    # deque call is atomic: the samples' thread appends alone).
    def bulk_in(self):
        now, samples = time.monotonic(), bytearray()
        while (self.read_back and len(samples) < PACKET - len(STATUS)
               and self.read_back[0][0] <= now):
            samples.append(self.read_back.popleft()[1])
        return STATUS + bytes(samples)

# Answers ep0's next event, 12 bytes: the setup packet, the type (SETUP is 4), padding; keeps
# what a host-to-device request sets: the baud rate (0x03: the sample clock in bit-bang mode), the
# bit mode (0x0B).
def answer_control():
    request_type, request, value, _, length, kind = struct.unpack("<BBHHHB3x", os.read(EP0, 12))
    if kind == 4 and request_type & 0x80:
        os.write(EP0, b"")
    elif kind == 4:
        if request == 0x03:
            CHIP.sample_s = value / 48e6
        elif request == 0x0B:
            CHIP.synchronous = value >> 8 == SYNCHRONOUS
        os.read(EP0, length)


# Runs step again and again: a host gone away (detached, or its request cut short) only pauses it.
def forever(step):
    while True:
        try:
            step()
        except OSError as error:
            if error.errno not in (errno.ESHUTDOWN, errno.EIDRM):
                raise


EP0, EP1, EP2 = make_gadget(*sys.argv[1:3])
CHIP = Chip()
# The chip sends its modem status whenever the host asks for data, and the samples read back; it
# reads bulk-out packet by packet: a read of a whole transfer would wait for a short packet.
for STEP in (lambda: os.write(EP1, CHIP.bulk_in()), lambda: CHIP.receive(os.read(EP2, PACKET))):
    threading.Thread(target=forever, args=(STEP,), daemon=True).start()
forever(answer_control)

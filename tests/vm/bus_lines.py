#!/usr/bin/env python3
# Turns what a virtual-machine test recorded of the guest's bus into the synthesizer's three
# lines, as the chip's pins see them: for sigrok's binary input, a byte an event, CLB, DATA and
# DLEN its bits 0, 1 and 2; sigrok's decoder reads the words (and warns of any malformed one).
#   parport: QEMU's parallel_ioport_write events. CLB is data-register bit 7, DATA bit 3; DLEN is
#     high while control-register bit 0 is clear. Only what follows the guest's marker (0x77
#     written to the data register, which keeps clock and data low) counts: before it, the
#     driver probes.
#   pl061: QEMU's pl061_set_output events of the GPIO lines CLOCK, DATA and ENABLE.
#   ftdi: the bulk-out lines of ft232r_gadget.py's logs, each byte one sample of the pins D0-D7,
#     CLOCK, DATA and ENABLE bit numbers; the logs' samples follow each other.
# Usage: bus_lines.py parport TRACE >BINARY
#        bus_lines.py pl061 TRACE CLOCK,DATA,ENABLE >BINARY
#        bus_lines.py ftdi LOG CLOCK,DATA,ENABLE [LOG CLOCK,DATA,ENABLE]... >BINARY
import re
import sys

# Each kind's events, as the state of its port, one bit a line: the pattern of an event, the
# fields it sets (first bit, width, value), the event the count starts at, the bits of CLB,
# DATA and DLEN (None: given with the trace) and those read inverted. The parallel port's data
# register is bits 0-7 of its state, its control register bits 8-15.
KINDS = {
    "parport": (r"parallel_ioport_write .* addr 0x0([02]) val 0x(\w+)",
                lambda register, value: [(4 * int(register), 8, int(value, 16))],
                "addr 0x00 val 0x77", (7, 3, 8), 0x100),
    "pl061": (r"pl061_set_output .* setting output (\d+) to (\d+)",
              lambda line, level: [(int(line), 1, int(level))], "", None, 0),
    "ftdi": (r"^bulk-out (\w+)",
             lambda samples: [(0, 8, sample) for sample in bytes.fromhex(samples)], "", None, 0),
}


def levels(kind, trace, bits):  # the lines after each event of the trace that counts
    pattern, fields, start, pins, inverted = KINDS[kind]
    pins = pins or [int(bit) for bit in bits.split(",")]
    state, counting = 0, False
    with open(trace, errors="replace") as lines:
        for match in filter(None, map(re.compile(pattern).search, lines)):
            counting = counting or start in match[0]
            for first, width, value in fields(*match.groups()):
                state = state & ~((1 << width) - 1 << first) | value << first
                if counting:
                    yield sum(((state ^ inverted) >> bit & 1) << line for line, bit in enumerate(pins))


KIND, *TRACES = sys.argv[1:]
sys.stdout.buffer.write(bytes(level for trace, bits in zip(TRACES[::2], TRACES[1::2] or [None])
                              for level in levels(KIND, trace, bits)))

#!/usr/bin/env python3
"""Turns what QEMU traced of the guest's writes into the synthesizer's three lines, as the chip's
pins see them, and prints the words they clocked in (one 17-bit word per line, first bit first);
writes the same lines as a value change dump for sigrok.

parport: QEMU's parallel_ioport_write events. CLB is data-register bit 7, DATA bit 3; DLEN is
high while control-register bit 0 is clear. Only what follows the guest's marker (0x77 written
to the data register, which keeps clock and data low) counts: before it, the driver probes.
pl061: QEMU's pl061_set_output events of the GPIO lines CLOCK, DATA and ENABLE, as levels.
ftdi: the bulk-out lines of ft232r_gadget.py's logs, each byte one sample of the pins D0-D7,
CLOCK, DATA and ENABLE bit numbers; the logs' samples follow each other, from the lines at rest.
transfers: instead, how many words each bulk-out transfer to the stand-in on USB bus BUS carried,
in order: usbmon's text record USBMON saw where the transfers began and ended, the stand-in what
they held (it cannot always tell where a transfer of a multiple of 64 bytes ends).

Usage: bus_lines.py parport TRACE VCD
       bus_lines.py pl061 TRACE VCD CLOCK,DATA,ENABLE
       bus_lines.py ftdi LOG VCD CLOCK,DATA,ENABLE [LOG CLOCK,DATA,ENABLE]...
       bus_lines.py transfers LOG USBMON BUS CLOCK,DATA,ENABLE
"""
import re
import sys

PINS = ("CLB", "DATA", "DLEN")
MARKER = 0x77


def parport_levels(lines):
    """Yields (CLB, DATA, DLEN) after each register write that follows the marker."""
    data, control, counting = 0, 0, False
    for line in lines:
        match = re.search(r"parallel_ioport_write write \[\w+\] addr 0x(\w+) val 0x(\w+)", line)
        if not match:
            continue
        register, value = int(match[1], 16), int(match[2], 16)
        if register == 0:
            data = value
        elif register == 2:
            control = value
        if counting:
            yield (data >> 7 & 1, data >> 3 & 1, 0 if control & 1 else 1)
        elif register == 0 and value == MARKER:
            counting = True
            yield (0, 0, 0 if control & 1 else 1)


def pl061_levels(lines, offsets):
    """Yields (CLB, DATA, DLEN) after each change of an output line."""
    levels = {offset: 0 for offset in offsets}
    for line in lines:
        match = re.search(r"pl061_set_output .* setting output (\d+) to (\d+)", line)
        if match and int(match[1]) in levels:
            levels[int(match[1])] = int(match[2])
            yield tuple(levels[offset] for offset in offsets)


def ftdi_levels(lines, bits):
    """Yields (CLB, DATA, DLEN) for each sample the panel sent the adapter."""
    for line in lines:
        if line.startswith("bulk-out "):
            for sample in bytes.fromhex(line.removeprefix("bulk-out ")):
                yield tuple(sample >> bit & 1 for bit in bits)


def words(levels):
    """The bits sampled at each rising clock edge while DLEN is high, one word per DLEN pulse."""
    found, bits, last = [], None, (0, 0, 0)
    for clock, data, enable in levels:
        if enable and not last[2]:
            bits = ""
        if bits is not None and enable and clock and not last[0]:
            bits += str(data)
        if not enable and last[2]:
            found.append(bits)
            bits = None
        last = (clock, data, enable)
    return found


def write_vcd(path, levels):
    ids = "!\"#"
    with open(path, "w") as vcd:
        vcd.write("$timescale 1us $end\n$scope module saa1057 $end\n")
        for pin, identifier in zip(PINS, ids):
            vcd.write(f"$var wire 1 {identifier} {pin} $end\n")
        vcd.write("$upscope $end\n$enddefinitions $end\n")
        last = None
        for time, state in enumerate(levels):
            if state != last:
                vcd.write(f"#{time}\n")
                vcd.writelines(f"{level}{identifier}\n" for level, identifier in zip(state, ids)
                               if last is None or level != last[ids.index(identifier)])
                last = state
        vcd.write(f"#{len(levels)}\n")


def numbers(text):
    return [int(number) for number in text.split(",")]


def transfer_words(log, usbmon, bus, bits):
    submitted = re.compile(rf" S Bo:{bus}:\d+:2 -115 (\d+) ")
    with open(usbmon) as events:
        lengths = [int(match[1]) for match in map(submitted.search, events) if match]
    with open(log) as lines:
        samples = list(ftdi_levels(lines, numbers(bits)))
    if sum(lengths) != len(samples):
        sys.exit(f"usbmon saw {sum(lengths)} bytes sent on bus {bus}, the stand-in {len(samples)}")
    starts = [sum(lengths[:index]) for index in range(len(lengths))]
    return [len(words(samples[start:start + length])) for start, length in zip(starts, lengths)]


def main():
    kind, trace, vcd = sys.argv[1:4]
    if kind == "transfers":
        print(*transfer_words(*sys.argv[2:6]))
        return
    if kind == "ftdi":
        levels = []
        for log, bits in zip([trace] + sys.argv[5::2], sys.argv[4::2]):
            with open(log) as lines:
                levels += ftdi_levels(lines, numbers(bits))
    else:
        with open(trace, errors="replace") as lines:
            if kind == "parport":
                levels = list(parport_levels(lines))
            else:
                levels = list(pl061_levels(lines, numbers(sys.argv[4])))
    write_vcd(vcd, levels)
    print("\n".join(words(levels)))


if __name__ == "__main__":
    main()

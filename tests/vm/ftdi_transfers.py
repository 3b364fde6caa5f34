#!/usr/bin/env python3
"""Prints how many words each bulk-out transfer to an FT232R stand-in carried, in order: usbmon
saw where the transfers began and ended, the stand-in what they held (it cannot always tell
where a transfer of a multiple of 64 bytes ends: ft232r_gadget.py).

Usage: ftdi_transfers.py LOG USBMON BUS CLOCK,DATA,ENABLE
  LOG: ft232r_gadget.py's record; USBMON: usbmon's text record of every bus; BUS: the adapter's.
"""
import re
import sys

from bus_lines import ftdi_levels, numbers, words


def main():
    log, usbmon, bus, bits = sys.argv[1:5]
    submitted = re.compile(rf" S Bo:{bus}:\d+:2 -115 (\d+) ")
    with open(usbmon) as events:
        lengths = [int(match[1]) for match in map(submitted.search, events) if match]
    with open(log) as lines:
        samples = list(ftdi_levels(lines, numbers(bits)))
    if sum(lengths) != len(samples):
        sys.exit(f"usbmon saw {sum(lengths)} bytes sent on bus {bus}, the stand-in {len(samples)}")
    counts, start = [], 0
    for length in lengths:
        counts.append(len(words(samples[start:start + length])))
        start += length
    print(" ".join(map(str, counts)))


if __name__ == "__main__":
    main()

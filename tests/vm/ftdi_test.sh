#!/usr/bin/env bash
# The panel on FTDI adapters through libftdi and Linux's own USB stack: Debian's amd64 kernel
# boots under QEMU, dummy_hcd joins its USB host to two gadget controllers, and
# ft232r_gadget.py stands in for an FT232R on each, recording every request and every sample it
# is sent; usbmon records the transfers. ftdi_guest.sh drives the panel there (headless, tuned
# by Hamlib's rigctl); here the recorded samples, turned into the three lines, must be the words
# expected, one transfer each, and every refusal must reach the user as a clear message.
# Usage: ftdi_test.sh PROGRAM
source "$(dirname "$0")/vm_checks.sh"
first=FT0A1B2C second=FT3D4E5F  # on dummy_hcd.0 (USB bus 1) and dummy_hcd.1 (bus 2)
third=FT6G7H8I  # on dummy_hcd.2 (bus 3), for the sweep

boot_guest amd64 ftdi_guest.sh "ftdi_sio dummy_hcd usb_f_fs usbmon"
# The second adapter carried the session with named pins (RTS, CTS, DTR: D2, D3, D4), the first
# the sessions on pins D0, D1, D2.
check_words ftdi "$out/$second.log" 2,3,4 "$out/$first.log" 0,1,2
for serial in $first $second $third; do
  check "$serial: the stand-in ran without a fault" diff /dev/null "$out/$serial.err"
done

# SERIAL BUS BITS: the words each bulk-out transfer to the adapter carried (bus_lines.py):
# one each, and the two samples after start-up that bring the lines to rest, none.
transfers() { python3 -B "$vm/bus_lines.py" transfers "$out/$1.log" "$out/usbmon.log" "$2" "$3"; }
check "$second: one USB transfer per word" test "$(transfers $second 2 2,3,4)" = "1 0 1"
check "$first: one USB transfer per word" test "$(transfers $first 1 0,1,2)" = "1 0 1 1 0"
# The start-up on the default pins (the first adapter's first session) must reach the adapter as
# it reaches FTDI's driver on Windows (the installer test holds the same file against it).
check "$first: the start-up's transfers, byte for byte as on Windows" diff -u \
  <(sed -n 's/^write //p' "$vm/../data/ftdi_start_up.txt" | tr -d ' ') \
  <(sed -n 's/^bulk-out //p' "$out/$first.log" | head -n 2)
# SERIAL REQUEST: the value and index of each such control request the adapter took.
requests() { awk -v request="$2" '$1 == "control" && $2 == request { print $3, $4 }' "$out/$1.log"; }
# SET_BAUDRATE (0x03): 9600 baud at libftdi's open (3 MHz / 312.5: 0x4138), then the sample clock
# 48 MHz / 200 (0x00c8) for the start-up word sent while the bus wait is 0, and / 400 (0x0190)
# for iDel 100; no channel in the index.
check "$second: 9600 baud at the open, then the sample clock at iDel 0 and 100" \
  diff -u <(printf '%s\n' "0x4138 0x0000" "0x00c8 0x0000" "0x0190 0x0000") <(requests $second 0x03)
# Its transfers' lengths as the host's USB stack sent them (usbmon, submissions to bulk-out
# endpoint 2): Word A for 11690 at iDel 0, 55 samples (39 writes + 2 per "1"); the lines to rest,
# 2; Word B with 7 ones at iDel 100, 108 (80 + 4 per "1").
check "$second: 55, 2 and 108 samples sent" \
  test "$(awk '$3 == "S" && $4 ~ /^Bo:2:/ { printf "%s ", $6 }' "$out/usbmon.log")" = "55 2 108 "
# SET_BITMODE (0x0b): the mode in the value's high byte (1 asynchronous bit-bang, 0 reset), the
# pins driven in its low byte, the channel in the index (1 for A).
check "$second: D2-D4 driven in bit-bang mode, then reset" \
  diff -u <(printf '%s\n' "0x011c 0x0001" "0x0000 0x0001") <(requests $second 0x0b)
check "$first: D0-D2 driven, reset at the end, D0-D2 again until pulled out" \
  diff -u <(printf '%s\n' "0x0107 0x0001" "0x0000 0x0001" "0x0107 0x0001") <(requests $first 0x0b)
check "ftdi_sio took each adapter back when the panel ended" diff -u - "$out/ttys" <<END
$first plugged in: ttyUSB0
$second plugged in: ttyUSB1
$second after by-name: ttyUSB1
$first after one: ttyUSB0
$third plugged in: ttyUSB0
END

# The sweep on the third adapter: its stand-in's oscillator locks on dividers 8600 to 12850
# (75.30 to 117.80 MHz received), so each row says locked there, with a time, and nowhere else.
lock_range() { seq 8500 50 12950 | awk '{ print $1, ($1 >= 8600 && $1 <= 12850 ? "1 timed" : "0 -") }'; }
check "sweep: status 0 (it was $(cat "$out/sweep.status" 2>/dev/null)); standard error holds:
$(sed 's/^/    /' "$out/sweep.err" 2>/dev/null)" test "$(cat "$out/sweep.status" 2>/dev/null)" = 0
check "sweep: locked exactly over the stand-in's range" diff -u <(lock_range) \
  <(awk -F, 'NR > 1 { print $1, $4, ($5 == "" ? "-" : "timed") }' "$out/sweep.out")
check "sweep: the summary gives the range" \
  grep -q '^saa1057-panel: locks from 75.30 to 117.80 MHz, slowest [0-9.]* ms at ' "$out/sweep.err"

# Access denied: the adapter named may be the one that cannot be opened.
access="Access denied (insufficient permissions). Join the plugdev group (sudo usermod -aG \
plugdev \$USER, then log in again) and let the package's udev rule give it the adapter (README, \
FTDI USB adapters), then plug the adapter in again, or try --simulate."
check_outcomes <<END
two-adapters 1 2 FTDI adapters are plugged in: $second, $first. Name one by its serial number: \
--port ftdi:SERIAL, or try --simulate.
unknown-pin 2 --port ftdi::D0,D1,D8: no FTDI pin is called 'D8' (give D0-D7 or TXD RXD RTS CTS \
DTR DSR DCD RI)
repeated-pin 2 --port ftdi::TXD,RXD,D0 names pin D0 twice: the clock, data, enable and lock need one each
no-access-named 1 Cannot open the FTDI adapter on USB bus 2 device 2: $access
no-access 1 Cannot open the FTDI adapter on USB bus 1 device 2: $access
second 1 Cannot claim FT232R USB UART $first: another program holds it. Close the program that \
holds it, or try --simulate.
pulled 1 Cannot set the bit-bang rate of FT232R USB UART $first: No such device (it may have been \
disconnected). Plug the adapter in again and restart the panel, or try --simulate.
no-adapter 1 No FTDI adapter is plugged in: no other USB device is either. Plug in the adapter, \
or try --simulate.
by-name 0
one 0
END
check "the first program still answers after the second was refused" \
  test "$(cat "$out/one.f" 2>/dev/null)" = 100000000
finish

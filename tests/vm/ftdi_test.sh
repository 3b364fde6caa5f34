#!/usr/bin/env bash
# The panel on FTDI adapters through libftdi and Linux's own USB stack: Debian's amd64 kernel
# boots under QEMU, dummy_hcd joins its USB host to three gadget controllers, and
# ft232r_gadget.py stands in for an FT232R on each, recording every sample it is sent; usbmon
# records the requests and transfers. The guest drives the panel there (headless, tuned by
# Hamlib's rigctl), with ftdi_sio loaded first as on a user's PC; here the recorded samples,
# turned into the three lines, must be the words expected, one transfer each, and every refusal
# must reach the user as a clear message (expected/ftdi.txt).
# Usage: ftdi_test.sh PROGRAM
first=FT0A1B2C second=FT3D4E5F  # serial numbers, on dummy_udc.0 (USB bus 1) and .1 (bus 2)
guest() {
  bound() {  # SERIAL BUS WHEN: whether ftdi_sio has the adapter on USB bus BUS (within 30 s)
    { wait_for 300 [ -e "/sys/bus/usb/drivers/ftdi_sio/$2-1:1.0" ] && echo "$1 $3: ftdi_sio's" ||
      echo "$1 $3: no driver"; } >>/out/ttys
  }
  plug() {  # SERIAL UDC [LOCK_US]: the adapter's stand-in started, plugged into the controller
    chroot /host python3 "$vm/ft232r_gadget.py" "$@" >"/out/$1.log" 2>"/out/$1.err" &
    bound "$1" $((${2#dummy_udc.} + 1)) "plugged in"
  }

  modprobe ftdi_sio && modprobe dummy_hcd num=4 is_high_speed=0 && modprobe usb_f_fs &&
    modprobe usbmon || exit 1
  mount -t configfs none /host/sys/kernel/config && mount -t debugfs none /sys/kernel/debug || exit 1
  cat /sys/kernel/debug/usb/usbmon/0u >/out/usbmon.log &
  plug $first dummy_udc.0
  plug $second dummy_udc.1

  case_of two-adapters chroot /host "$program" --headless --port ftdi
  serve by-name --port ftdi:$second:RTS,CTS,DTR \
    --word-b refh=1.25,current=0.23,phase=on,test=reference
  stop by-name

  # The first adapter alone, named by nothing.
  echo "" >/host/sys/kernel/config/usb_gadget/$second/UDC  # pulled out
  as_nobody no-access --headless --port ftdi
  held one ftdi
  bound $first 1 "after one"

  # Pulled out once the start-up word is sent: the next word fails.
  serve pulled --port ftdi
  echo "" >/host/sys/kernel/config/usb_gadget/$first/UDC
  rigctl F 100000000 >/out/pulled.rigctl 2>&1
  ended pulled
  case_of no-adapter chroot /host "$program" --headless --port ftdi

  # The sweep, reading the lock from the third stand-in's oscillator model through libftdi and
  # usbfs, in real time: 500 ms at each unlocked step, as a loaded emulator can take 80 ms to see
  # a lock. It is plugged in at the end alone, on bus 3, its test pin wired to D3.
  plug FT6G7H8I dummy_udc.2
  limit=300 case_of sweep chroot /host "$program" --headless --port ftdi --lock \
    --lock-timeout 500 --word-b test=lock --sweep 8500N-12950N/50N
  # A fourth whose in-lock output settles 12 ms after each word: the lock times are the line's,
  # not shortened by the USB round trips that read it.
  plug FT9J0K1L dummy_udc.3 12000
  case_of settling chroot /host "$program" --headless --port ftdi:FT9J0K1L --lock \
    --lock-timeout 500 --word-b test=lock --sweep 8600N-8800N/100N
}
source "$(dirname "$0")/vm.sh"

boot amd64 "ftdi_sio dummy_hcd usb_f_fs usbmon"
# The first adapter carried the sessions on pins D0, D1, D2, the second the session with named
# pins (RTS, CTS, DTR: D2, D3, D4); decoded in one, the first's come before the second's Word B.
bus_words ftdi "$out/$first.log" 0,1,2 "$out/$second.log" 2,3,4
# The start-up on the default pins (the first adapter's first session) must reach the adapter as
# it reaches FTDI's driver on Windows (the installer test holds the same file against it).
check "$first: the start-up's transfers, byte for byte as on Windows" diff -u \
  <(sed -n 's/^write //p' "$vm/../data/ftdi_start_up.txt" | tr -d ' ') \
  <(sed -n 's/^bulk-out //p' "$out/$first.log" | head -n 2)
# What the host's USB stack sent the first two adapters (usbmon's submissions), a line each: BUS
# LENGTH for a bulk-out transfer, BUS REQUEST VALUE INDEX for a baud rate's or bit mode's request.
awk '$3 == "S" && $4 ~ /^Bo:[12]:/ { print substr($4, 4, 1), $6 }
  $3 == "S" && $4 ~ /^Co:[12]:/ && $6 $7 ~ /^40(03|0b)$/ { print substr($4, 4, 1), $7, $8, $9 }' \
  "$out/usbmon.log" >"$out/usbmon"
# The sweep on the third adapter, whose stand-in locks as the simulated chip does.
check "sweep: locked exactly over the model's range, each with a time" diff -u \
  <(grep -v '^#' "$vm/../data/lock_sweep_8500_12950_50.txt") \
  <(awk -F, 'NR > 1 { print $1, $4, ($5 == "" ? "-" : "timed") }' "$out/sweep.out")
check "settling: every step locked, at 12 ms or more: $(tr '\n' ' ' <"$out/settling.out")" awk -F, \
  'NR > 1 && !($4 == 1 && $5 >= 12) { bad = 1 } END { exit bad || NR != 4 }' "$out/settling.out"
# What it said, its progress aside, the slowest lock's time and place made T.
sed -E '/: (sweeping: |Reading the lock )/d; s/slowest [0-9.]+ ms at [0-9.]+$/slowest T ms at T/' \
  "$out/sweep" >"$out/sweep.said"
check_expected ftdi

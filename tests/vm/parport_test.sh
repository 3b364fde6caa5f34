#!/usr/bin/env bash
# The panel on Linux's own parallel-port drivers: Debian's amd64 kernel boots under QEMU with an
# emulated ISA parallel port at 0x378, and QEMU records every register write the guest makes.
# The guest drives the panel there (ppdev and raw I/O, tuned by Hamlib's rigctl); here the
# recorded writes, turned into the three lines, must be the words expected, and every refusal
# the real driver gives must reach the user as a clear message (expected/parport.txt).
# Usage: parport_test.sh PROGRAM
guest() {
  case_of no-driver chroot /host "$program" --headless --port /dev/parport0
  modprobe parport_pc && modprobe ppdev || exit 1
  # The driver's probe toggles the lines; the checks count from here. A value with bits 7 and 3
  # clear keeps clock and data low.
  printf '\167' | dd of=/dev/port bs=1 seek=888 count=1 2>/dev/null
  as_nobody no-access --headless --port /dev/parport0

  held ppdev /dev/parport0

  # lp registered on the port, as where a printer is set up: the panel shares the port with it.
  modprobe lp
  serve with-lp --port /dev/parport0
  stop with-lp
  rmmod lp

  serve raw --port 0x378 --word-b refh=1.25,current=2.3,sla=sync,phase=off,brm=switched,test=lock
  rigctl F 88500000
  stop raw
}
source "$(dirname "$0")/vm.sh"

boot amd64 "parport_pc ppdev lp" \
  -chardev null,id=parallel -device isa-parallel,chardev=parallel,iobase=0x378 \
  -d trace:parallel_ioport_write -D "$out/writes.log"
bus_words parport "$out/writes.log"
check_expected parport

#!/usr/bin/env bash
# The panel on Linux's own parallel-port drivers: Debian's amd64 kernel boots under QEMU with an
# emulated ISA parallel port at 0x378, and QEMU records every register write the guest makes.
# parport_guest.sh drives the panel there (ppdev and raw I/O, tuned by Hamlib's rigctl); here the
# recorded writes, turned into the three lines, must be the words expected, and every refusal
# the real driver gives must reach the user as a clear message.
# Usage: parport_test.sh PROGRAM
source "$(dirname "$0")/vm_checks.sh"

boot_guest amd64 parport_guest.sh "parport_pc ppdev lp" \
  -chardev null,id=parallel -device isa-parallel,chardev=parallel,iobase=0x378 \
  -d trace:parallel_ioport_write -D "$out/writes.log"
check_words parport "$out/writes.log"

busy="Cannot claim /dev/parport0: No such device or address. Another program holds the port: close it, pick another port with --port, or try --simulate."
check_outcomes <<END
no-driver 1 Cannot open /dev/parport0: No such file or directory. Load the parallel-port driver (sudo modprobe ppdev parport_pc), pick another port with --port, or try --simulate.
no-access 1 Cannot open /dev/parport0: Permission denied. Join the lp group (sudo usermod -aG lp \$USER, then log in again), or try --simulate.
second 1 $busy
second-with-lp 1 $busy
ppdev 0
with-lp 0
raw 0
END
check "the first program still answers after the second was refused" \
  test "$(cat "$out/ppdev.f" 2>/dev/null)" = 100000000
finish

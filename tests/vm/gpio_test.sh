#!/usr/bin/env bash
# The panel on Linux's own GPIO driver: Debian's arm64 kernel boots under QEMU's virt board, whose
# PL061 controller is gpiochip0, and QEMU records every change of its output lines.
# gpio_guest.sh drives the arm64 panel there (headless tuned through rigctld, the window on the
# offscreen platform); here the recorded lines must carry the words expected, and every refusal
# of the real driver must reach the user as a clear message. The lock line, line 3, must read
# low, and high while power_button.py holds down the board's power button, which drives it.
# Usage: gpio_test.sh ARM64_PROGRAM
source "$(dirname "$0")/vm_checks.sh"

# QEMU's monitor on a socket, for the power button: the lock line's one driver on this board.
python3 -B "$vm/power_button.py" "$out/qmp.sock" "$out" >"$out/button.out" 2>"$out/button.err" &
button=$!
boot_guest arm64 gpio_guest.sh gpio_keys -qmp "unix:$out/qmp.sock,server=on,wait=off" \
  -d trace:pl061_set_output -D "$out/lines.log"
# It ends with QEMU, whose socket closes; waiting for a socket that never came, it is ended.
wait_for 50 --while "$button" false
if kill "$button" 2>/dev/null; then
  echo "power_button.py: still running 5 s after QEMU (no monitor?): ended" >>"$out/button.err"
fi
wait "$button"
button_status=$?
check "the power button held while the guest asked (status $button_status): $(cat "$out/button.err")" \
  grep -Eq '^held the power button for [0-9.]+ s: [0-9]+ presses$' "$out/button.out"
check_words pl061 "$out/lines.log" 0,1,2

free="Free the line (stop its user, or drop the overlay that claims it) or wire the bus to other lines, or try --simulate."
check_outcomes <<END
no-access 1 Cannot open GPIO chip gpiochip0: Permission denied. This machine's GPIO chips: gpiochip0 (Permission denied). Join the gpio group (sudo usermod -aG gpio \$USER, then log in again, and where no udev rule gives that group the chips install saa1057-panel's: README, Access without root), or try --simulate.
held-line 1 Cannot request lines 1,2,3 of gpiochip0 [9030000.pl061]: Device or resource busy. Line 3 is in use by "GPIO Key Poweroff". $free
second 1 Cannot request lines 2,4,5 of gpiochip0 [9030000.pl061]: Device or resource busy. Line 2 is in use by "saa1057-panel". $free
by-name 0
by-label 0
window 0
pressed 0
END
for session in by-name by-label; do
  check "$session: rigctld took the frequency" test "$(cat "$out/$session.rigctld")" = $'RPRT 0\nRPRT 0'
done
# The lock line, read through the real driver: low at every reading of the step's 100 ms.
check "lock: the sweep ended with 0 (status $(cat "$out/lock.status" 2>/dev/null))" \
  test "$(cat "$out/lock.status" 2>/dev/null)" = 0
check "lock: its one row, not locked" diff -u - "$out/lock.out" <<END
n,oscillator_mhz,received_mhz,locked,lock_ms
8600,86.00,75.30,0,
END
check "lock: the line named, and as one that stayed low" diff -u - "$out/lock.err" <<END
saa1057-panel: Reading the lock on line 3 of gpiochip0
saa1057-panel: never locked from 75.30 to 75.30 MHz
saa1057-panel: never locked from 75.30 to 75.30 MHz: if the oscillator should lock there, check the pull-up on the lock line (line 3 of gpiochip0), which read low throughout
END
# Then, tuned through rigctld, high for the second of three words after Word B, while the power
# button was held, and low again for the third: each word with the lock news that followed it,
# the loss told by the driver's falling edge when the button was let go.
lock_news() {
  awk '/^Word A / { sub(/.*, /, ""); word = $0; next } /^Word B / { word = "Word B"; next }
    { print word ": " $0 }' "$1" | sed -E -e 's/ locked after [0-9]+\.[0-9] ms$/ locked after T ms/' \
    -e 's/ lock lost at [0-9]{2}:[0-9]{2}:[0-9]{2}, locked for [0-9.]+ s$/ lock lost at T, locked for T s/'
}
check "pressed: locked while the power button was down, and only then" \
  diff -u - <(lock_news "$out/pressed.out") <<END
Word B: not locked within 100 ms
88.5 MHz: not locked within 100 ms
100 MHz: locked after T ms
100 MHz: lock lost at T, locked for T s
90 MHz: not locked within 100 ms
END
finish

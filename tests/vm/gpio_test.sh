#!/usr/bin/env bash
# The panel on Linux's own GPIO driver: Debian's arm64 kernel boots under QEMU's virt board, whose
# PL061 controller is gpiochip0, and QEMU records every change of its output lines. The guest
# drives the arm64 panel there (headless, tuned through rigctld); here the recorded lines must
# carry the words expected, and every refusal of the real driver must reach the user as a clear
# message (expected/gpio.txt). The lock line, line 3, must read low, and high while the test
# holds down the board's power button, which drives it.
# Usage: gpio_test.sh ARM64_PROGRAM
guest() {
  # A rigctld client's conversation, its arguments one command: this guest has no arm64 rigctl.
  rigctl() { printf '%s\nq\n' "$*" | nc 127.0.0.1 4532; }

  # The virt board's device tree gives line 3 to a power key: this driver holds it.
  modprobe gpio_keys || exit 1
  as_nobody no-access --headless --port gpio:gpiochip0:0,1,2
  case_of held-line chroot /host "$program" --headless --port gpio:gpiochip0:1,2,3

  held by-name gpio:gpiochip0:0,1,2 gpio:gpiochip0:2,4,5

  serve by-label --port gpio:9030000.pl061:0,1,2 --word-b refh=1.25,current=0.23,phase=on,test=reference
  rigctl F 88500000 >/out/by-label.rigctld
  stop by-label

  # The lock input on the real driver: line 3, once the power key's driver lets it go, requested
  # as an input (the PL061 has no pull-up to give; the kernel skips a bias a chip cannot set),
  # low while nothing drives it. Then driven high: QEMU wires the power button to line 3, each
  # press a 100 ms pulse, which the host repeats from button-down to button-up: the first word of
  # two finds the line high (a lone press would have to land within a word's readings). debugfs
  # tells this guest when the level has turned, before the word goes: a word sent sooner would
  # race it.
  mount -t debugfs debugfs /sys/kernel/debug || exit 1
  line3() { grep -Eq "[|]saa1057-panel +[)] in +$1" /sys/kernel/debug/gpio; }
  # COUNT: whether the panel has given COUNT lines of lock news. Each ends the readings after a
  # word, which a word sent sooner would cut short.
  news() { [ "$(grep -c -e '^locked after ' -e '^not locked within ' /out/pressed.out)" -ge "$1" ]; }
  tune() {  # FREQUENCY COUNT
    rigctl F "$1" >/dev/null
    wait_for 100 --while "$pid" news "$2" || echo "pressed: no lock news on $1 Hz within 10 s"
  }
  rmmod gpio_keys || exit 1
  serve pressed --port gpio:gpiochip0:0,1,2,3 --lock --word-b test=lock
  wait_for 100 --while "$pid" news 1 || echo "pressed: no lock news on Word B within 10 s"
  touch /out/button-down
  wait_for 100 line3 hi || echo "pressed: line 3 not high within 10 s of button-down"
  tune 100000000 2
  touch /out/button-up
  wait_for 100 line3 lo || echo "pressed: line 3 still high 10 s after button-up"
  wait_for 100 --while "$pid" grep -q '^lock lost at ' /out/pressed.out ||
    echo "pressed: no lock lost within 10 s of line 3 going low"
  tune 90000000 3
  stop pressed
}
source "$(dirname "$0")/vm.sh"

# The power button, held through QEMU's monitor while the guest asks: each system_powerdown raises
# line 3 for 100 ms, so one every 20 ms keeps it high on a loaded machine. With the guest's
# gpio_keys gone the press is only a level on the line, and powers nothing down.
hold_button() {
  wait_for 6000 [ -e "$out/button-down" ] || return
  for _ in $(seq 1500); do
    [ -e "$out/button-up" ] && return
    echo system_powerdown
    sleep 0.02
  done >"$out/monitor.in"
  echo "power button: let go after 30 s, the guest still holding it"
}
# QEMU opens both pipes itself; what it answers stays in monitor.out, a few bytes a press.
mkfifo "$out/monitor.in" "$out/monitor.out"
hold_button &
button=$!
boot arm64 gpio_keys -monitor "pipe:$out/monitor" -d trace:pl061_set_output -D "$out/lines.log"
kill "$button" 2>/dev/null
bus_words pl061 "$out/lines.log" 0,1,2
# Each word with the lock news that followed it, the times made T.
sed -E -e 's/^locked after [0-9]+\.[0-9] ms$/locked after T ms/' \
  -e 's/^lock lost at [0-9]{2}:[0-9]{2}:[0-9]{2}, locked for [0-9.]+ s$/lock lost at T, locked for T s/' \
  "$out/pressed.out" >"$out/pressed.news"
check_expected gpio

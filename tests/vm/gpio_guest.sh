# Run in the arm64 guest (guest_helpers.sh): the panel on the PL061 GPIO controller of QEMU's virt
# board, through Linux's GPIO character device. The files button-down and button-up in /out ask
# the host to hold the board's power button, and let go.
# A rigctld client's conversation, each argument a command: this guest has no arm64 rigctl.
rigctl() { printf '%s\nq\n' "$@" | nc 127.0.0.1 4532; }

# The virt board's device tree gives line 3 to a power key: this driver holds it.
modprobe gpio_keys || exit 1
as_nobody no-access --headless --port gpio:gpiochip0:0,1,2
case_of held-line chroot /host "$program" --headless --port gpio:gpiochip0:1,2,3

serve by-name --port gpio:gpiochip0:0,1,2
case_of second chroot /host "$program" --headless --port gpio:gpiochip0:2,4,5
rigctl "F 100000000" >/out/by-name.rigctld
stop by-name

serve by-label --port gpio:9030000.pl061:0,1,2 --word-b refh=1.25,current=0.23,phase=on,test=reference
rigctl "F 88500000" >/out/by-label.rigctld
stop by-label

# The window, on Qt's offscreen platform: up once it has sent the start-up word, which its trace
# records (the chroot's /mnt is /host/mnt here).
mkdir -m 700 /host/mnt/runtime
QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=/mnt/runtime chroot /host "$program" \
  --port gpio:gpiochip0:0,1,2 --trace /mnt/window.vcd >/out/window.out 2>/out/window.err &
pid=$!
started window grep -qs '^1!$' /host/mnt/window.vcd
stop window

# The lock input on the real driver: line 3, once the power key's driver lets it go, requested
# as an input (the PL061 has no pull-up to give; the kernel skips a bias a chip cannot set) and
# read back low all along, since nothing drives it.
rmmod gpio_keys || exit 1
case_of lock chroot /host "$program" --headless --port gpio:gpiochip0:0,1,2,3 --lock \
  --word-b test=lock --sweep 8600N-8600N

# Then driven high: QEMU wires the power button to line 3, each press a 100 ms pulse, which the
# host repeats from button-down to button-up (power_button.py): the middle word of three finds
# the line high (a lone press would have to land within a word's readings). debugfs tells this
# guest when the level has turned, before the word goes: a word sent sooner would race it.
mount -t debugfs debugfs /sys/kernel/debug || exit 1
line3() { grep -Eq "[|]saa1057-panel +[)] in +$1" /sys/kernel/debug/gpio; }
# COUNT: whether the panel has given COUNT lines of lock news. Each ends the readings after a
# word, which a word sent sooner would cut short.
news() { [ "$(grep -c -e '^locked after ' -e '^not locked within ' /out/pressed.out)" -ge "$1" ]; }
tune() {  # FREQUENCY COUNT
  rigctl "F $1" >/dev/null
  wait_for 100 --while "$pid" news "$2" || echo "pressed: no lock news on $1 Hz within 10 s"
}
serve pressed --port gpio:gpiochip0:0,1,2,3 --lock --word-b test=lock
wait_for 100 --while "$pid" news 1 || echo "pressed: no lock news on Word B within 10 s"
tune 88500000 2
touch /out/button-down
wait_for 100 line3 hi || echo "pressed: line 3 not high within 10 s of button-down"
tune 100000000 3
touch /out/button-up
wait_for 100 line3 lo || echo "pressed: line 3 still high 10 s after button-up"
wait_for 100 --while "$pid" grep -q '^lock lost at ' /out/pressed.out ||
  echo "pressed: no lock lost within 10 s of line 3 going low"
tune 90000000 4
stop pressed

# Run in the amd64 guest (guest_helpers.sh): the panel on two FT232R adapters that
# ft232r_gadget.py stands in for on dummy_hcd, through libftdi, with ftdi_sio loaded first as on
# a user's PC.
gadgets=/host/sys/kernel/config/usb_gadget
first=FT0A1B2C second=FT3D4E5F  # serial numbers, as ftdi_test.sh knows them
third=FT6G7H8I  # plugged in at the end alone, its test pin wired to D3, for the sweep

tty_of() {  # SERIAL: the ttyUSB that ftdi_sio made of the adapter, once it has (10 s at most)
  wait_for 100 tty_made "$1" || echo "no tty"
}
tty_made() {  # SERIAL
  local serial tty
  for serial in /sys/bus/usb/devices/*/serial; do
    [ "$(cat "$serial")" = "$1" ] || continue
    for tty in "${serial%/serial}"/*:1.0/ttyUSB*; do
      [ -e "$tty" ] && basename "$tty" && return
    done
  done
  return 1
}
plug() {  # SERIAL UDC: plugs the adapter into the gadget controller once its stand-in is up
  wait_for 300 [ -e "/host/mnt/ffs-$1/ep2" ]
  echo "$2" >"$gadgets/$1/UDC" || echo "$1: the stand-in did not start"
  echo "$1 plugged in: $(tty_of "$1")" >>/out/ttys
}
unplug() { echo "" >"$gadgets/$1/UDC"; }

modprobe ftdi_sio && modprobe dummy_hcd num=3 is_high_speed=0 && modprobe usb_f_fs &&
  modprobe usbmon || exit 1
mount -t configfs none /host/sys/kernel/config && mount -t debugfs none /sys/kernel/debug || exit 1
# Every USB transfer, to count them: the stand-in cannot always tell where one ends.
cat /sys/kernel/debug/usb/usbmon/0u >/out/usbmon.log &
for serial in $first $second $third; do
  chroot /host python3 "$tests/ft232r_gadget.py" $serial >/out/$serial.log 2>/out/$serial.err &
done
plug $first dummy_udc.0
plug $second dummy_udc.1

case_of two-adapters chroot /host "$program" --headless --port ftdi
case_of unknown-pin chroot /host "$program" --headless --port ftdi::D0,D1,D8
case_of repeated-pin chroot /host "$program" --headless --port ftdi::TXD,RXD,D0
as_nobody no-access-named --headless --port ftdi:$first
serve by-name --port ftdi:$second:RTS,CTS,DTR \
  --word-b refh=1.25,current=0.23,phase=on,test=reference
stop by-name
echo "$second after by-name: $(tty_of $second)" >>/out/ttys

# The first adapter alone, named by nothing.
unplug $second
as_nobody no-access --headless --port ftdi
serve one --port ftdi
case_of second chroot /host "$program" --headless --port ftdi
rigctl F 100000000
rigctl f >/out/one.f
stop one
echo "$first after one: $(tty_of $first)" >>/out/ttys

# Pulled out once the start-up word is sent: the next word fails.
serve pulled --port ftdi
started pulled grep -q '^Word A' /out/pulled.out
unplug $first
rigctl F 100000000 >/out/pulled.rigctl 2>&1
ended pulled
case_of no-adapter chroot /host "$program" --headless --port ftdi

# The sweep, reading the lock from the third stand-in's oscillator model through libftdi and
# usbfs, in real time: 100 ms at each unlocked step.
plug $third dummy_udc.2
timeout 300 chroot /host "$program" --headless --port ftdi --lock --word-b test=lock \
  --sweep 8500N-12950N/50N >/out/sweep.out 2>/out/sweep.err
echo $? >/out/sweep.status

# Run in the amd64 guest (guest_helpers.sh): the panel on Linux's parport_pc and ppdev drivers,
# and on the raw registers.

case_of no-driver chroot /host "$program" --headless --port /dev/parport0
modprobe parport_pc && modprobe ppdev || exit 1
# The driver's probe toggles the lines; the checks count from here. A value with bits 7 and 3
# clear keeps clock and data low.
printf '\167' | dd of=/dev/port bs=1 seek=888 count=1 2>/dev/null
as_nobody no-access --headless --port /dev/parport0

serve ppdev --port /dev/parport0
case_of second chroot /host "$program" --headless --port /dev/parport0
rigctl F 100000000
rigctl f >/out/ppdev.f
stop ppdev

# lp registered on the port, as where a printer is set up: the panel shares the port with it.
modprobe lp
serve with-lp --port /dev/parport0
case_of second-with-lp chroot /host "$program" --headless --port /dev/parport0
stop with-lp
rmmod lp

serve raw --port 0x378 --word-b refh=1.25,current=2.3,sla=sync,phase=off,brm=switched,test=lock
rigctl F 88500000
stop raw

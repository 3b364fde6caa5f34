#!/usr/bin/env bash
# The real program drives three lines of a GPIO chip that a preloaded stand-in provides; sigrok
# decodes the recorded line levels to exactly the words sent.
set -u
panel=$1
stand_in=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
source "$(dirname "$0")/board_checks.sh"
# A sanitized program needs the sanitizer's runtime first among the preloaded libraries.
preload=$stand_in
asan=$(ldd "$panel" | awk '/libasan/ { print $3 }')
[ -n "$asan" ] && preload="$asan $stand_in"
# The panel headless on the stand-in chip, with no display.
board=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM STAND_IN_GPIOCHIP="$dir/gpiochip"
  STAND_IN_GPIO_RECORD="$dir/lines.vcd" LD_PRELOAD="$preload" "$panel" --headless)

"${board[@]}" --port "gpio:$dir/gpiochip:GPIO17,GPIO27,GPIO22" \
  --word-b refh=1.25,current=0.23,sla=sync,phase=on,brm=switched,test=lock >"$dir/out" 2>"$dir/err" &
pid=$!
for _ in $(seq 300); do
  [ "$(wc -l <"$dir/out")" -ge 2 ] && break
  sleep 0.1
done
end_panel TERM
check "the board ends cleanly on SIGTERM" test "$status" -eq 0
check "nothing on standard error" test ! -s "$dir/err"
check "the lines are requested as outputs at rest by saa1057-panel" grep -qx \
  '\$comment GET_LINE offsets 17,27,22 consumer saa1057-panel flags OUTPUT output-values 000/111 \$end' \
  "$dir/lines.vcd"
check "sigrok decodes Word A for 11690, then the Word B given" \
  test "$(decoded_words "$dir/lines.vcd" GPIO17 GPIO27 GPIO22)" = "2daa e5d5"
# One call for each write that changes a line: 38 + 2 x ones for 17 bits, 8 and 10 ones here.
calls=$(grep -c '^#' "$dir/lines.vcd")
check "one set-values call per changing write (112, and the start and the end)" test "$calls" -eq 114
check "every line ends at rest" test "$(awk '/^[01][!-#]$/ { last[substr($0, 2)] = substr($0, 1, 1) }
  END { print last["!"] last["\""] last["#"] }' "$dir/lines.vcd")" = 000

timeout 20 "${board[@]}" --port "gpio:$dir/gpiochip:GPIO17,GPIO4,GPIO22" >"$dir/out" 2>"$dir/err"
check "a line in use ends the program with 1" test $? -eq 1
check "the line in use is named with its consumer" grep -q 'Line 4 (GPIO4) is in use by "w1-gpio"' "$dir/err"
timeout 20 "${board[@]}" --port "gpio:$dir/gpiochip:GPIO17,GPIO27" >"$dir/out" 2>"$dir/err"
check "a malformed gpio: argument exits 2" test $? -eq 2

finish

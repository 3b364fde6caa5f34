#!/usr/bin/env bash
# The panel as a board in a box: headless with no display, Word B from the command line, tuned
# by Hamlib's rigctl, ended by a signal; its log and its trace say what reached the chip.
set -u
program=$1
expected_log=$2
dir=$(mktemp -d)
pid=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$dir"' EXIT
source "$(dirname "$0")/board_checks.sh"
board=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" --headless --simulate)

serve_rigctld "${board[@]}" --trace "$dir/bus.vcd" --word-b refh=1.25 >"$dir/out" 2>"$dir/err"
check "the board answers rigctl after start-up" test "$first_answer" = 106200000
rigctl -m 2 -r "127.0.0.1:$port" F 100000000
check "rigctl tunes the board" test "$(rigctl -m 2 -r "127.0.0.1:$port" f)" = 100000000
rigctl -m 2 -r "127.0.0.1:$port" F 100000000  # the divider it has: nothing is sent
# Halfway between two steps, the even one: N 11072, not 11073. Read back as it was set.
rigctl -m 2 -r "127.0.0.1:$port" F 100025000
check "a frequency between steps reads back as set" \
  test "$(rigctl -m 2 -r "127.0.0.1:$port" f)" = 100025000
end_program TERM
check "SIGTERM ends the board cleanly" test "$status" -eq 0
check "nothing on standard error" test ! -s "$dir/err"
check "one line per transmission: start-up, Word B, the two tunings" \
  diff -u "$expected_log" "$dir/out"
check "the trace holds the same four words" \
  test "$(decoded_words "$dir/bus.vcd" CLB DATA DLEN)" = "2daa e100 2b3e 2b40"

: >"$dir/out"  # the wait below must not see the first run's lines
"${board[@]}" >"$dir/out" 2>"$dir/err" &
pid=$!
wait_for 300 test -s "$dir/out"
check "the start-up line is written at once, not at exit" test -s "$dir/out"
end_program INT
check "SIGINT ends the board cleanly" test "$status" -eq 0
check "without --word-b only start-up is sent" test "$(cat "$dir/out")" = "$(head -n 1 "$expected_log")"

finish

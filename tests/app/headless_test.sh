#!/usr/bin/env bash
# The panel as a board in a box: headless with no display, tuned by Hamlib's rigctl, ended by a
# signal; its log and its trace say what reached the chip.
set -u
program=$1
expected_log=$2
lock_log="$(dirname "$0")/headless_lock_session.txt"
dir=$(mktemp -d)
pid=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$dir"' EXIT
source "$(dirname "$0")/board_checks.sh"
board=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" --headless --simulate)

# The divider it has sends nothing again; halfway between two steps, the even one: N 11072, not
# 11073, read back as it was set. Without --word-b, no Word B is sent.
serve_rigctld "$dir/err" "${board[@]}" --trace "$dir/bus.vcd" >"$dir/out" || exit 1
said=$(rigctl -m 2 -r "127.0.0.1:$port" f F 100000000 f F 100000000 F 100025000 f 2>&1 |
  paste -sd ' ')
check "rigctl tunes the board (it said '$said')" test "$said" = "106200000 100000000 100025000"
end_program INT
check "SIGINT ends the board cleanly (status $status)" test "$status" -eq 0
check "on standard error only the port that rigctld took; it holds:
$(indented "$dir/err")" test "$(cat "$dir/err")" = "saa1057-panel: rigctld listens on 127.0.0.1:$port"
check "one line per transmission: start-up and the two tunings" diff -u "$expected_log" "$dir/out"
words=$(decoded_words "$dir/bus.vcd" CLB DATA DLEN)
check "the trace holds the same three words (it holds '$words')" test "$words" = "2daa 2b3e 2b40"

# The log is what the board is run for: when nobody can read it (standard output closed, or a
# pipe whose reader has gone, SIGPIPE ignored as the program does) it ends with 1, saying why,
# as a trace that cannot be written does.
exec {gone}> >(:)
wait $!  # the pipe's reader is gone before the board writes its first line
for output in ">&-|Bad file descriptor" ">&$gone|Broken pipe"; do
  eval 'timeout 20 "${board[@]}" 2>"$dir/err"' "${output%|*}"
  echo "status $?" >>"$dir/err"
  check "standard output ${output%|*}: the board ends with 1, saying why; it said:
$(indented "$dir/err")" test "$(cat "$dir/err")" = "saa1057-panel: Cannot write the log to \
standard output: ${output#*|}. Give --headless a standard output that is open and read.
status 1"
done
exec {gone}>&-

# The lock read back from the simulated chip's test pin: a line after each word once Word B has
# put the pin on "Output in-lock counter"; 66 and 65 MHz lie below the oscillator's range, and
# the second miss is told as the first was. Each tuning waits for the last one's line, since a
# word that comes sooner starts the watch again. Then four tunings in one packet: a word
# replaced before its lock was decided (as when the panel carries them out in one turn) says so,
# and each gets its line, of whichever kind the machine's pace gave it ("a verdict" in the
# golden file). A line that never comes ends the session: the waits after it would only add
# theirs to the test's time.
logged() { [ "$(wc -l <"$dir/out")" -ge "$1" ]; }
lock_session() {
  local lines=3 tuning
  for tuning in 66000000 65000000 100000000; do
    wait_for 300 logged "$lines" || return
    rigctl -m 2 -r "127.0.0.1:$port" F "$tuning"
    lines=$((lines + 2))
  done
  wait_for 300 logged 9 || return
  printf 'F 66000000\nF 95000000\nF 64000000\nF 96000000\n' |
    timeout 5 nc -N 127.0.0.1 "$port" >/dev/null
  wait_for 300 logged 17
}
serve_rigctld "$dir/err" "${board[@]}" --lock --word-b test=lock >"$dir/out" || exit 1
check "with --lock each word's line came within 30 s" lock_session
end_program TERM
check "SIGTERM ends the board cleanly (status $status)" test "$status" -eq 0
# Times vary: "T" stands for the first two verdicts' times, "a verdict" for each of the burst's.
ms='[0-9]+\.[0-9] ms'
burst="replaced after $ms, not locked yet|not locked within 100 ms|locked after $ms"
check "with --lock each word is followed by what the test pin said; the log holds:
$(indented "$dir/out")" diff -u "$lock_log" \
  <(sed -E "1,9s/^locked after $ms\$/locked after T ms/; 10,\$s/^($burst)\$/a verdict/" "$dir/out")

finish

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

serve_rigctld "$dir/err" "${board[@]}" --trace "$dir/bus.vcd" --word-b refh=1.25 >"$dir/out"
check "the board answers rigctl after start-up (it answered '$first_answer')" \
  test "$first_answer" = 106200000
[ -n "$first_answer" ] || { finish; exit 1; }  # with no rigctld, the rest cannot be checked
rigctl -m 2 -r "127.0.0.1:$port" F 100000000
answer=$(rigctl -m 2 -r "127.0.0.1:$port" f)
check "rigctl tunes the board (it reads '$answer')" test "$answer" = 100000000
rigctl -m 2 -r "127.0.0.1:$port" F 100000000  # the divider it has: nothing is sent
# Halfway between two steps, the even one: N 11072, not 11073. Read back as it was set.
rigctl -m 2 -r "127.0.0.1:$port" F 100025000
answer=$(rigctl -m 2 -r "127.0.0.1:$port" f)
check "a frequency between steps reads back as set (it reads '$answer')" test "$answer" = 100025000
end_program TERM
check "SIGTERM ends the board cleanly (status $status)" test "$status" -eq 0
check "on standard error only the port that rigctld took; it holds:
$(indented "$dir/err")" test "$(cat "$dir/err")" = "saa1057-panel: rigctld listens on 127.0.0.1:$port"
check "one line per transmission: start-up, Word B, the two tunings" \
  diff -u "$expected_log" "$dir/out"
words=$(decoded_words "$dir/bus.vcd" CLB DATA DLEN)
check "the trace holds the same four words (it holds '$words')" test "$words" = "2daa e100 2b3e 2b40"

: >"$dir/out"  # the wait below must not see the first run's lines
"${board[@]}" >"$dir/out" 2>"$dir/err" &
pid=$!
wait_for 300 test -s "$dir/out"
check "the start-up line is written at once, not at exit" test -s "$dir/out"
end_program INT
check "SIGINT ends the board cleanly (status $status)" test "$status" -eq 0
check "without --word-b only start-up is sent; the log holds:
$(indented "$dir/out")" test "$(cat "$dir/out")" = "$(head -n 1 "$expected_log")"

# The log is what the board is run for: when nobody can read it (standard output closed, or a
# pipe whose reader has gone, SIGPIPE ignored as the program does) it ends with 1, saying why,
# as a trace that cannot be written does.
timeout 20 "${board[@]}" >&- 2>"$dir/err"
status=$?
check "a closed standard output ends the board with 1 (status $status)" test "$status" -eq 1
check "it says that the log cannot be written, and why; standard error holds:
$(indented "$dir/err")" test "$(cat "$dir/err")" = \
  "saa1057-panel: Cannot write the log to standard output: Bad file descriptor. Give --headless a standard output that is open and read."
exec {log}> >(:)
wait $!  # the pipe's reader is gone before the board writes its first line
timeout 20 "${board[@]}" >&"$log" 2>"$dir/err"
status=$?
exec {log}>&-
check "a pipe whose reader has gone ends the board with 1 (status $status)" test "$status" -eq 1
check "it says that the log cannot be written, and why; standard error holds:
$(indented "$dir/err")" test "$(cat "$dir/err")" = \
  "saa1057-panel: Cannot write the log to standard output: Broken pipe. Give --headless a standard output that is open and read."

# The lock read back from the simulated chip's test pin: a line after each word once Word B has
# put the pin on "Output in-lock counter"; 66 and 65 MHz lie below the oscillator's range, and
# the second miss is told as the first was. Each tuning waits for the last one's line, since a
# word that comes sooner starts the watch again. A line that never comes ends the session: the
# waits after it would only add theirs to the test's time.
# Whether the log holds $2 lines that match $1, counted again at each of wait_for's polls.
log_lines() { [ "$(grep -c "$1" "$dir/out")" -eq "$2" ]; }
lock_session() {
  wait_for 300 log_lines "^locked after" 1 || return
  rigctl -m 2 -r "127.0.0.1:$port" F 66000000
  wait_for 300 log_lines "^not locked within" 1 || return
  rigctl -m 2 -r "127.0.0.1:$port" F 65000000
  wait_for 300 log_lines "^not locked within" 2 || return
  rigctl -m 2 -r "127.0.0.1:$port" F 100000000
  wait_for 300 log_lines "^locked after" 2 || return
  # Four tunings in one packet: a word replaced before its lock was decided (as when the panel
  # carries them out in one turn) says so, and each gets its line.
  exec 3<>"/dev/tcp/127.0.0.1/$port"
  printf 'F 66000000\nF 95000000\nF 64000000\nF 96000000\n' >&3
  wait_for 300 log_lines "" 17
  exec 3>&-
}
# The burst's words, each followed by one verdict of whichever kind the machine's pace gave it.
burst='Word A 0001110111110110 sent: N 7670, 66 MHz
a verdict
Word A 0010100101001010 sent: N 10570, 95 MHz
a verdict
Word A 0001110100101110 sent: N 7470, 64 MHz
a verdict
Word A 0010100110101110 sent: N 10670, 96 MHz
a verdict'
verdicts() {
  sed -E 's/^(replaced after [0-9]+\.[0-9] ms, not locked yet|not locked within 100 ms|locked after [0-9]+\.[0-9] ms)$/a verdict/'
}
lock_log="$(dirname "$0")/headless_lock_session.txt"
: >"$dir/out"
serve_rigctld "$dir/err" "${board[@]}" --lock --word-b test=lock >"$dir/out"
check "with --lock each word's line came within 30 s" lock_session
end_program TERM
check "with --lock each word is followed by what the test pin said; the log holds:
$(indented "$dir/out")" diff -u "$lock_log" \
  <(head -n 9 "$dir/out" | sed 's/^locked after [0-9][0-9]*\.[0-9] ms$/locked after T ms/')
check "four tunings in one packet, four verdicts; the log holds:
$(indented "$dir/out")" diff -u <(echo "$burst") <(tail -n +10 "$dir/out" | verdicts)

finish

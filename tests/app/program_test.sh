#!/usr/bin/env bash
# Runs the built program headless and checks what a user sees: output, messages, exit status.
set -u
program=$1
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
source "$(dirname "$0")/board_checks.sh"
run() {  # runs the panel with a time limit, keeps status, stdout, stderr
  QT_QPA_PLATFORM=offscreen timeout 20 "$program" "$@" >"$out" 2>"$err"
  status=$?
}
contains() { grep -q -- "$2" "$1"; }
lacks() { ! grep -q -- "$2" "$1"; }

run --help
check "--help exits 0" test "$status" -eq 0
check "--help prints usage" contains "$out" "^Usage: saa1057-panel"
check "--help names --simulate" contains "$out" "--simulate"

run --version
check "--version exits 0" test "$status" -eq 0
check "--version prints the version" contains "$out" "^saa1057-panel [0-9]"

run --frobnicate
check "an unknown option exits 2" test "$status" -eq 2
check "an unknown option is named" contains "$err" "unknown option '--frobnicate'"
check "a usage error points at --help" contains "$err" "saa1057-panel --help"

run --simulate stray
check "a stray argument exits 2" test "$status" -eq 2
check "a stray argument is named" contains "$err" "unexpected argument 'stray'"

# Never a real port: a device that does not exist, and one that is no parallel port.
run --port /nonexistent/parport9
check "a missing port ends the program with 1" test "$status" -eq 1
check "a missing port is named with the reason" contains "$err" "Cannot open /nonexistent/parport9: No such file or directory"
check "a missing port suggests --simulate" contains "$err" "--simulate"

run --port /dev/null
check "a device that cannot be claimed ends the program with 1" test "$status" -eq 1
check "the refused claim is named" contains "$err" "Cannot claim /dev/null"

run --port 0x
check "a bad --port value exits 2" test "$status" -eq 2
check "a bad --port value is named" contains "$err" "invalid --port value '0x'"
run --port 888 --simulate
check "--port with --simulate exits 2" test "$status" -eq 2

trace_dir=$(mktemp -d)
trap 'rm -rf "$out" "$err" "$trace_dir"' EXIT
run --simulate --trace /nonexistent/dir/bus.vcd
check "an uncreatable trace file ends the program with 1" test "$status" -eq 1
check "the uncreatable trace file is named, with the way out" test "$(cat "$err")" = \
  "saa1057-panel: Cannot create the trace file /nonexistent/dir/bus.vcd: No such file or directory. Give --trace a path you can write to."
run --simulate --trace /dev/full
check "a full disk ends the program with 1" test "$status" -eq 1
check "the full disk is named, with the way out" test "$(cat "$err")" = \
  "saa1057-panel: Cannot write the trace file /dev/full: No space left on device. Give --trace a path with room to write."
run --simulate --trace
check "--trace without a file exits 2" test "$status" -eq 2
run --port /nonexistent/parport9 --trace "$trace_dir/failed.vcd"
check "--trace combines with --port" contains "$err" "Cannot open /nonexistent/parport9"
check "the trace of a failed start is still complete" contains "$trace_dir/failed.vcd" '^\$enddefinitions \$end$'

env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 20 "$program" --simulate >"$out" 2>"$err"
status=$?
check "without a display the program ends with 1" test "$status" -eq 1
check "without a display it says so, and what to do" test "$(cat "$err")" = \
  "saa1057-panel: Cannot open the window: no display (DISPLAY and WAYLAND_DISPLAY are unset). Start it from a desktop session, or run it with --headless."

for signal in TERM INT; do
  QT_QPA_PLATFORM=offscreen "$program" --simulate --trace "$trace_dir/$signal.vcd" >"$out" 2>"$err" &
  pid=$!
  # Up once start-up has transmitted: the trace then holds the clock's first rise.
  wait_for 300 grep -qs '^1!$' "$trace_dir/$signal.vcd"
  end_program "$signal"
  check "SIG$signal ends the panel as closing the window does" test "$status" -eq 0
done

# The tools people open traces with: sigrok finds start-up's one word in it, Word A for 11690
# (idle stretches shortened, the word as it was), and GTKWave loads it.
check "sigrok decodes the start-up trace to Word A for 11690" \
  test "$(decoded_words "$trace_dir/TERM.vcd" CLB DATA DLEN 2>&1)" = 2daa
xvfb-run -a gtkwave -x "$trace_dir/TERM.vcd" >"$out" 2>&1
check "GTKWave reads the trace to its end" contains "$out" "] end time."
check "GTKWave finds nothing malformed" lacks "$out" "malformed"

finish

#!/usr/bin/env bash
# Hamlib's own clients tune the panel on the simulated synthesizer as a board in a box
# (headless, no display, ended by a signal), whose log says what reached the chip; the trace
# shows it, as sigrok and GTKWave read it.
set -u
here=$(dirname "$0")
dir=$(mktemp -d)
trap '[ -n "${pid:-}" ] && kill "$pid" 2>/dev/null; rm -rf "$dir"' EXIT
source "$here/board_checks.sh"
board=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$1" --headless --simulate)

# The board, tuned by rigctl: the divider it has sends nothing again; halfway between two steps,
# the even one: N 11072 (0x2b40), not 11073. Without --word-b, no Word B is sent, and the lock,
# read with --lock, stays unknown for the same reason, which is told once. (What rigctl
# reads back, its requests and the answers byte for byte, is conversations/hamlib-*-open.txt's
# and protocol.txt's, with the window's refusals and steps, in rigctl_clients_test.py.)
serve_rigctld "$dir/board.err" "${board[@]}" --lock --trace "$dir/bus.vcd" >"$dir/out" || exit 1
rigctl -m 2 -r "127.0.0.1:$port" f F 100000000 f F 100000000 F 100025000 f M FM 0 >/dev/null
# Scripts send their commands and half-close, as netcat does at the end of its input: each
# answer still comes, then the close; 80 times over, adding 96.123456 MHz's 10682 (0x29ba).
answered=$(for _ in $(seq 80); do
  printf 'F 96123456\nf\n' | timeout 5 nc -N 127.0.0.1 "$port" | paste -sd ' '
done | grep -cx 'RPRT 0 96123456')
check "every half-closed conversation got both answers ($answered of 80 did)" test "$answered" = 80
# A taken port: a second panel says which, why in Qt's own words, and the way out.
said=$(timeout 10 "${board[@]}" --rigctld "127.0.0.1:$port" 2>&1; echo "status $?")
check "a taken port: the panel cannot serve there and ends with 1; it said: $said" matches \
  "$said" "saa1057-panel: Cannot serve rigctld on 127.0.0.1:$port: *. Give --rigctld a free \
port on one of this machine's addresses.
status 1"
# Clients still connected as the server goes are CountsItsClientsAndEndsTheirConversations's
# (tests/rigctl_server).
end_program INT
check "SIGINT ends the board cleanly (status $status)" test "$status" -eq 0
found=$(decoded_words "$dir/bus.vcd" CLB DATA DLEN)
check "the chip loaded 2daa 2b3e 2b40 29ba and nothing else (the trace holds '$found')" \
  test "$found" = "2daa 2b3e 2b40 29ba"
check "the board's standard error holds only the port that rigctld took; it holds:
$(indented "$dir/board.err")" test "$(<"$dir/board.err")" = \
  "saa1057-panel: rigctld listens on 127.0.0.1:$port"
check "the board's log: each word sent, and the unknown lock once" diff -u \
  "$here/headless_session.txt" "$dir/out"
xvfb-run -a gtkwave -x "$dir/bus.vcd" >"$dir/gtkwave" 2>&1
check "GTKWave reads the trace to its end and finds nothing malformed; it said:
$(indented "$dir/gtkwave")" eval 'grep -q "^\[[0-9]*\] end time\.$" "$dir/gtkwave" &&
  ! grep -q malformed "$dir/gtkwave"'

# The lock read back from the simulated chip's test pin: a line after each word once Word B has
# put the pin on "Output in-lock counter"; 66 and 65 MHz lie below the oscillator's range, and
# the second miss is told as the first was. Each tuning waits for the last one's line, since a
# word that comes sooner starts the watch again. Then four tunings in one packet: a word
# replaced before its lock was decided says so: the panel carries them out in one turn, so the
# first three are replaced and the last, 96 MHz, locks. A line that never comes ends the
# session: the waits after it would only add theirs to the test's time.
logged() { [ "$(wc -l <"$dir/out")" -ge "$1" ]; }
lock_session() {
  local lines=3 tunings
  for tunings in 'F 66000000' 'F 65000000' 'F 100000000' \
    'F 66000000\nF 95000000\nF 64000000\nF 96000000'; do
    wait_for 300 logged "$lines" || return
    printf '%b\n' "$tunings" | timeout 5 nc -N 127.0.0.1 "$port" >/dev/null
    lines=$((lines + 2))
  done
  wait_for 300 logged 17
}
serve_rigctld "$dir/lock.err" "${board[@]}" --lock --word-b test=lock >"$dir/out" || exit 1
check "with --lock each word's line came within 30 s" lock_session
end_program TERM
check "SIGTERM ends the board cleanly (status $status)" test "$status" -eq 0
# Times vary: "T" stands for each verdict's.
check "with --lock each word is followed by what the test pin said" \
  diff -u "$here/headless_lock_session.txt" <(sed -E 's/ [0-9]+\.[0-9] ms/ T ms/' "$dir/out")

finish

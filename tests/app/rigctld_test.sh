#!/usr/bin/env bash
# Hamlib's own clients tune the panel on the simulated synthesizer: its window on the offscreen
# platform, and as a board in a box (headless, no display, ended by a signal), whose log says
# what reached the chip; the trace shows it, as sigrok and GTKWave read it.
set -u
program=$1
here=$(dirname "$0")
dir=$(mktemp -d)
pid=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$dir"' EXIT
source "$here/board_checks.sh"
export QT_QPA_PLATFORM=offscreen
board=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" --headless --simulate)

# Hamlib's Python binding (Debian's, for the system's Python) as a program uses the panel.
# Scripts send their commands and half-close, as netcat does at the end of its input: each
# answer still comes, then the close; 80 times over. A taken port: a second panel says which,
# why in Qt's own words, and the way out.
peers() {
  local binding lost=0 said
  binding=$(/usr/bin/python3 - "127.0.0.1:$port" <<'PYTHON' 2>&1
import sys, Hamlib
Hamlib.rig_set_debug(Hamlib.RIG_DEBUG_NONE)
rig = Hamlib.Rig(Hamlib.RIG_MODEL_NETRIGCTL)
rig.set_conf("rig_pathname", sys.argv[1])
rig.open()
rig.set_freq(Hamlib.RIG_VFO_CURR, 96123456)
rig.set_mode(Hamlib.RIG_MODE_FM, 0)
mode, passband = rig.get_mode()
print(int(rig.get_freq()), Hamlib.rig_strrmode(mode), passband, rig.error_status)
PYTHON
)
  check "the Python binding sets 96.123456 MHz and FM and reads both back ($binding)" \
    test "$binding" = "96123456 FM 15000 0"
  for _ in $(seq 80); do
    [ "$(printf 'F 96123456\nf\n' | timeout 5 nc -N 127.0.0.1 "$port")" = $'RPRT 0\n96123456' ] ||
      lost=$((lost + 1))
  done
  check "every half-closed conversation got both answers ($lost of 80 did not)" test "$lost" -eq 0
  said=$(XDG_RUNTIME_DIR="$dir" timeout 10 "$program" --simulate --rigctld "127.0.0.1:$port" 2>&1
    echo "status $?")
  check "a taken port: the panel cannot serve there and ends with 1; it said: $said" matches \
    "$said" "saa1057-panel: Cannot serve rigctld on 127.0.0.1:$port: *. Give --rigctld a free \
port on one of this machine's addresses.
status 1"
}
closed() { local more; more=$(timeout 5 cat <&"$1") && [ -z "$more" ]; }

# The window: a frequency below the band is refused and changes nothing; one off the steps reads
# back as it was set; rigctl goes on after a refusal (Hamlib's trace of it left out). Start-up
# 11690 (0x2daa), 11070 (0x2b3e) once, 95.901 MHz's step 10660 (0x29a4): the refused and the
# unchanged settings sent nothing.
# The board: the divider it has sends nothing again; halfway between two steps, the even one:
# N 11072 (0x2b40), not 11073, read back as it was set. Without --word-b, no Word B is sent;
# Hamlib's Python binding and scripts that half-close add 96.123456 MHz's 10682 (0x29ba).
sessions=(
  "window|f F 100000000 f F 50000000 f F 95901000 f M FM 0|TERM"
  "106200000 100000000 Invalid parameter 100000000 95901000|2daa 2b3e 29a4"
  "board|f F 100000000 f F 100000000 F 100025000 f M FM 0|INT"
  "106200000 100000000 100025000|2daa 2b3e 2b40 29ba")
for ((row = 0; row < ${#sessions[@]}; row += 2)); do
  IFS='|' read -r how commands ending <<<"${sessions[row]}"
  IFS='|' read -r expected words <<<"${sessions[row + 1]}"
  panel=("$program" --simulate)
  [ "$how" = board ] && panel=("${board[@]}")
  serve_rigctld "$dir/$how.err" "${panel[@]}" --trace "$dir/bus.vcd" >"$dir/out" || exit 1
  said=$(rigctl -m 2 -r "127.0.0.1:$port" $commands 2>&1 |
    grep -xE '[0-9]+|Invalid parameter' | paste -sd ' ')
  check "$how: rigctl tunes the panel and reads it back (it said '$said')" \
    test "$said" = "$expected"
  [ "$how" = board ] && peers
  # Ended with three clients connected: one answered, one idle, one in the middle of a line;
  # each sees its connection closed, not reset.
  exec {answered}<>"/dev/tcp/127.0.0.1/$port" {idle}<>"/dev/tcp/127.0.0.1/$port" \
    {halfway}<>"/dev/tcp/127.0.0.1/$port"
  printf 'v\n' >&$answered
  read -r -t 5 line <&$answered
  printf 'F 1000' >&$halfway
  sleep 0.3
  end_program "$ending"
  check "$how: SIG$ending with clients connected ends the panel cleanly (status $status)" \
    test "$status" -eq 0 -a "$line" = VFOA
  for client in $answered $idle $halfway; do
    check "$how: client $client sees its connection closed, nothing more" closed "$client"
    exec {client}<&-
  done
  found=$(decoded_words "$dir/bus.vcd" CLB DATA DLEN)
  check "$how: the chip loaded $words and nothing else (the trace holds '$found')" \
    test "$found" = "$words"
done
check "the board's standard error holds only the port that rigctld took; it holds:
$(indented "$dir/board.err")" test "$(<"$dir/board.err")" = \
  "saa1057-panel: rigctld listens on 127.0.0.1:$port"
check "the board's log: one line per transmission" diff -u "$here/headless_session.txt" "$dir/out"
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
serve_rigctld "$dir/lock.err" "${board[@]}" --lock --word-b test=lock >"$dir/out" || exit 1
check "with --lock each word's line came within 30 s" lock_session
end_program TERM
check "SIGTERM ends the board cleanly (status $status)" test "$status" -eq 0
# Times vary: "T" stands for each verdict's.
check "with --lock each word is followed by what the test pin said; the log holds:
$(indented "$dir/out")" diff -u "$here/headless_lock_session.txt" \
  <(sed -E 's/ [0-9]+\.[0-9] ms/ T ms/' "$dir/out")

finish

#!/usr/bin/env bash
# Hamlib's own clients tune the panel, its window on the offscreen platform and the simulated
# synthesizer behind it, and the trace shows what reached the chip, as sigrok and GTKWave read it.
set -u
program=$1
dir=$(mktemp -d)
pid=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$dir"' EXIT
source "$(dirname "$0")/board_checks.sh"

QT_QPA_PLATFORM=offscreen serve_rigctld "$dir/err" "$program" --simulate --trace "$dir/bus.vcd" ||
  exit 1
# A frequency below the band is refused and changes nothing; one off the steps reads back as it
# was set. rigctl goes on after a refusal; Hamlib's trace of it is left out.
said=$(rigctl -m 2 -r "127.0.0.1:$port" f F 100000000 f F 50000000 f F 95901000 f M FM 0 2>&1 |
  grep -xE '[0-9]+|Invalid parameter' | paste -sd ' ')
check "rigctl tunes the panel and reads it back (it said '$said')" \
  test "$said" = "106200000 100000000 Invalid parameter 100000000 95901000"

# Hamlib's Python binding (Debian's, for the system's Python) as a program uses the panel.
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

# Scripts send their commands and half-close, as netcat does at the end of its input: each
# answer still comes, then the close. 40 times over, through nc -N and a bare shutdown right
# behind the commands.
half_closed() {
  /usr/bin/python3 -c 'import socket, sys
with socket.create_connection(("127.0.0.1", int(sys.argv[1])), timeout=5) as rig:
    rig.sendall(b"F 96123456\nf\n"); rig.shutdown(socket.SHUT_WR)
    print(b"".join(iter(lambda: rig.recv(100), b"")).decode(), end="")' "$port"
}
lost=0
for _ in $(seq 40); do
  for said in "$(printf 'F 96123456\nf\n' | timeout 5 nc -N 127.0.0.1 "$port")" "$(half_closed)"; do
    [ "$said" = $'RPRT 0\n96123456' ] || lost=$((lost + 1))
  done
done
check "every half-closed conversation got both answers ($lost of 80 did not)" test "$lost" -eq 0

# A taken port, and an address this machine does not have (IPv6, so written bracketed as the
# status line writes it): a second panel says which, why in Qt's own words, and the way out.
for endpoint in "127.0.0.1:$port" "[::2]:4532"; do
  QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$dir" timeout 10 "$program" --simulate \
    --rigctld "$endpoint" 2>"$dir/taken"
  echo "status $?" >>"$dir/taken"
  check "$endpoint: the panel cannot serve there and ends with 1; it said:
$(indented "$dir/taken")" matches "$(<"$dir/taken")" "saa1057-panel: Cannot serve rigctld on \
${endpoint//\[/\\[}: *. Give --rigctld a free port on one of this machine's addresses.
status 1"
done

end_program TERM
check "the panel ends cleanly (status $status)" test "$status" -eq 0
# Start-up 11690 (0x2daa), then 11070 (0x2b3e) once, 95.901 MHz's step 10660 (0x29a4) and
# 96.123456 MHz's 10682 (0x29ba): the refused and the unchanged settings sent nothing.
words=$(decoded_words "$dir/bus.vcd" CLB DATA DLEN)
check "the chip loaded N 11070, 10660, 10682 and nothing else (the trace holds '$words')" \
  test "$words" = "2daa 2b3e 29a4 29ba"
xvfb-run -a gtkwave -x "$dir/bus.vcd" >"$dir/gtkwave" 2>&1
check "GTKWave reads the trace to its end and finds nothing malformed; it said:
$(indented "$dir/gtkwave")" eval 'grep -q "^\[[0-9]*\] end time\.$" "$dir/gtkwave" &&
  ! grep -q malformed "$dir/gtkwave"'

finish

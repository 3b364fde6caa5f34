#!/usr/bin/env bash
# Hamlib's own client tunes the panel, its window on the offscreen platform and the simulated
# synthesizer behind it, and the trace shows what reached the chip.
set -u
program=$1
dir=$(mktemp -d)
pid=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$dir"' EXIT
source "$(dirname "$0")/board_checks.sh"

QT_QPA_PLATFORM=offscreen serve_rigctld "$dir/err" "$program" --simulate --trace "$dir/bus.vcd"
rig() { rigctl -m 2 -r "127.0.0.1:$port" "$@" 2>&1; }

check "the panel answers rigctl (it answered '$first_answer')" test "$first_answer" = 106200000
[ -n "$first_answer" ] || { finish; exit 1; }  # with no rigctld, the rest cannot be checked
said=$(rig F 100000000)
check "F 100000000 succeeds (rigctl said '$said')" test -z "$said"
said=$(rig f)
check "f reads 100000000 back (it reads '$said')" test "$said" = 100000000
said=$(rig F 50000000)
check "F 50000000 fails (rigctl said '$said')" grep -q "Invalid parameter" <<<"$said"
said=$(rig f)
check "a refused frequency changes nothing (it reads '$said')" test "$said" = 100000000
rig F 95901000 >/dev/null
said=$(rig f)
check "f reads back a frequency off the steps as rigctl set it (it reads '$said')" \
  test "$said" = 95901000
said=$(rig M FM 0)
check "M FM 0 succeeds (rigctl said '$said')" test -z "$said"
said=$(rig m | head -n 1)
check "m reads FM (it reads '$said')" test "$said" = FM

# Hamlib's Python binding (Debian's, for the system's Python) as a program uses the panel.
binding=$(/usr/bin/python3 - "127.0.0.1:$port" <<'PYTHON' 2>&1
import sys
import Hamlib
Hamlib.rig_set_debug(Hamlib.RIG_DEBUG_NONE)
rig = Hamlib.Rig(Hamlib.RIG_MODEL_NETRIGCTL)
rig.set_conf("rig_pathname", sys.argv[1])
rig.open()
rig.set_freq(Hamlib.RIG_VFO_CURR, 96123456)
rig.set_mode(Hamlib.RIG_MODE_FM, 0)
mode, passband = rig.get_mode()
print(int(rig.get_freq()), Hamlib.rig_strrmode(mode), passband, rig.error_status)
rig.close()
PYTHON
)
check "the Python binding sets 96.123456 MHz and FM and reads both back ($binding)" \
  test "$binding" = "96123456 FM 15000 0"

# Scripts send their commands and half-close, as netcat does at the end of its input: each
# answer still comes, then the close. 40 times over, through nc -N and a bare shutdown.
half_closed() {
  /usr/bin/python3 - "$port" <<'PYTHON'
import socket, sys
with socket.create_connection(("127.0.0.1", int(sys.argv[1])), timeout=5) as rig:
    rig.sendall(b"F 96123456\nf\n")
    rig.shutdown(socket.SHUT_WR)
    answers = b""
    while data := rig.recv(100):
        answers += data
print(answers.decode(), end="")
PYTHON
}
lost=0
for _ in $(seq 40); do
  [ "$(printf 'F 96123456\nf\n' | timeout 5 nc -N 127.0.0.1 "$port")" = $'RPRT 0\n96123456' ] ||
    lost=$((lost + 1))
  [ "$(half_closed)" = $'RPRT 0\n96123456' ] || lost=$((lost + 1))
done
check "every half-closed conversation got both answers ($lost of 80 did not)" test "$lost" -eq 0

# A taken port, and an address this machine does not have (IPv6, so written bracketed as the
# status line writes it): a second panel says which and ends. The reason is Qt's own text.
for endpoint in "127.0.0.1:$port" "[::2]:4532"; do
  QT_QPA_PLATFORM=offscreen timeout 10 "$program" --simulate --rigctld "$endpoint" 2>"$dir/taken.err"
  status=$?
  check "$endpoint: the panel cannot serve there and ends with 1 (status $status)" test $status -eq 1
  check "$endpoint is named, with the reason and the way out; standard error holds:
$(indented "$dir/taken.err")" grep -qx \
    "saa1057-panel: Cannot serve rigctld on $(sed 's/[].[]/\\&/g' <<<"$endpoint"): [^.]*[.] Give --rigctld a free port on one of this machine's addresses[.]" \
    "$dir/taken.err"
done
QT_QPA_PLATFORM=offscreen timeout 10 "$program" --simulate --rigctld 127.0.0.1:99999 2>"$dir/bad.err"
status=$?
check "a bad --rigctld value exits 2 (status $status)" test $status -eq 2

end_program TERM
check "the panel ends cleanly (status $status)" test "$status" -eq 0
# Start-up 11690 (0x2daa), then 11070 (0x2b3e) once, 95.901 MHz's step 10660 (0x29a4) and
# 96.123456 MHz's 10682 (0x29ba): the refused and the unchanged settings sent nothing.
words=$(decoded_words "$dir/bus.vcd" CLB DATA DLEN)
check "the chip loaded N 11070, 10660, 10682 and nothing else (the trace holds '$words')" \
  test "$words" = "2daa 2b3e 29a4 29ba"

finish

#!/usr/bin/env bash
# Hamlib's own client tunes the panel, its window on the offscreen platform and the simulated
# synthesizer behind it, and the trace shows what reached the chip.
set -u
program=$1
dir=$(mktemp -d)
pid=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$dir"' EXIT
source "$(dirname "$0")/board_checks.sh"

QT_QPA_PLATFORM=offscreen serve_rigctld "$program" --simulate --trace "$dir/bus.vcd"
rig() { rigctl -m 2 -r "127.0.0.1:$port" "$@" 2>&1; }

check "the panel answers rigctl" test "$first_answer" = 106200000
check "F 100000000 succeeds" test -z "$(rig F 100000000)"
check "f reads 100000000 back" test "$(rig f)" = 100000000
check "F 50000000 fails" grep -q "Invalid parameter" <<<"$(rig F 50000000)"
check "a refused frequency changes nothing" test "$(rig f)" = 100000000
rig F 95901000 >/dev/null
check "f reads back a frequency off the steps as rigctl set it" test "$(rig f)" = 95901000
check "M FM 0 succeeds" test -z "$(rig M FM 0)"
check "m reads FM" test "$(rig m | head -n 1)" = FM

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

# A taken port, and an address this machine does not have (IPv6, so written bracketed as the
# status line writes it): a second panel says which and ends. The reason is Qt's own text.
for endpoint in "127.0.0.1:$port" "[::2]:4532"; do
  QT_QPA_PLATFORM=offscreen timeout 10 "$program" --simulate --rigctld "$endpoint" 2>"$dir/taken.err"
  check "$endpoint: the panel cannot serve there and ends with 1" test $? -eq 1
  check "$endpoint is named, with the reason and the way out" grep -qx \
    "saa1057-panel: Cannot serve rigctld on $(sed 's/[].[]/\\&/g' <<<"$endpoint"): [^.]*[.] Give --rigctld a free port on one of this machine's addresses[.]" \
    "$dir/taken.err"
done
QT_QPA_PLATFORM=offscreen timeout 10 "$program" --simulate --rigctld 127.0.0.1:99999 2>"$dir/bad.err"
check "a bad --rigctld value exits 2" test $? -eq 2

end_program TERM
check "the panel ends cleanly" test "$status" -eq 0
# Start-up 11690 (0x2daa), then 11070 (0x2b3e) once, 95.901 MHz's step 10660 (0x29a4) and
# 96.123456 MHz's 10682 (0x29ba): the refused and the unchanged settings sent nothing.
check "the chip loaded N 11070, 10660, 10682 and nothing else" \
  test "$(decoded_words "$dir/bus.vcd" CLB DATA DLEN)" = "2daa 2b3e 29a4 29ba"

finish

#!/usr/bin/env bash
# Makes docs/pulseview.png: PulseView in a virtual X server with the panel's start-up trace and
# the saa1057 decoder. Re-runnable; needs pulseview, sigrok-cli, xvfb, x11-utils and imagemagick
# (scripts/install-deps.sh screenshot).
set -euo pipefail
cd "$(dirname "$0")/.."
source tests/support/wait.sh
program=${1:-build/app/saa1057-panel}
out=${2:-docs/pulseview.png}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Start-up sends Word A once: trace it, then end the panel as a user would.
QT_QPA_PLATFORM=offscreen "$program" --simulate --trace "$work/startup.vcd" 2>/dev/null &
pid=$!
wait_for 100 grep -qs '^1!$' "$work/startup.vcd" || true
sleep 0.5
kill -TERM "$pid"
wait "$pid"

# The idle stretches shortened to 300 ns; the view scaled (s per pixel) to the word.
input=vcd:compress=300
export SIGROKDECODE_DIR=$PWD/sigrok
word_end=$(sigrok-cli -I "$input" -i "$work/startup.vcd" -P saa1057 -A saa1057=words \
  --protocol-decoder-samplenum | awk -F'[- ]' 'NR == 1 {print $2}')
scale=$(awk -v samples="$word_end" 'BEGIN {printf "%.3g", (samples + 400) * 1e-9 / 890}')
cat >"$work/decoder.pvs" <<SETUP
[General]
decode_signals=1
views=1

[decode_signal0]
name=SAA1057
enabled=true
decoders=1
decoder0\\id=saa1057
decoder0\\visible=true
decoder0\\options=0
channels=3
channel0\\assigned_signal_name=CLB
channel1\\assigned_signal_name=DATA
channel2\\assigned_signal_name=DLEN

[view0]
scale=$scale
SETUP

XDG_CONFIG_HOME=$work scripts/grab-window.sh "startup.vcd - PulseView" "$out" \
  -crop 1000x305+0+0 +repage -- pulseview -c -I "$input" -i "$work/startup.vcd" -s "$work/decoder.pvs"
echo "wrote $out"

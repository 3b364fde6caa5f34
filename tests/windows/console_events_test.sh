#!/usr/bin/env bash
# The headless panel on an FTDI adapter (the stand-in D2XX driver beside it), tuned by Hamlib's
# rigctl, then ended from its console under Wine: a closed console, a logoff and a shutdown,
# after which Windows ends the program, and Ctrl+C. Each time the adapter must be given back,
# the trace must be complete and a connected rigctld client must see the connection closed.
# Usage: tests/windows/console_events_test.sh PROGRAM.exe CONSOLE_EVENT.exe STAND_IN_FTD2XX.dll
set -u
program=$1 deliver=$2 stand_in=$3
source "$(dirname "$0")/../app/board_checks.sh"
dir=$(mktemp -d)
pid=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$dir"' EXIT
trigger=$(winepath -w "$dir/deliver")
# A folder of its own, for the driver beside the program; Qt's DLLs are found on the PATH.
cp "$program" "$stand_in" "$dir"
export WINEPATH
WINEPATH=$(winepath -w "$(dirname "$program")")

for event in close logoff shutdown ctrl-c; do
  rm -f "$dir/deliver"
  # The event's own files: the panel starts in the background, and the port named in the last
  # one's standard error could be read before the new one is made.
  err=$dir/$event.err trace=$dir/$event.vcd d2xx_log=$dir/$event.d2xx
  : >"$err"
  # An adapter that takes a while to give back, as real ones can: the panel must wait for it.
  STAND_IN_FTD2XX_LOG=$(winepath -w "$d2xx_log") STAND_IN_FTD2XX_CLOSE_MS=500 \
    serve_rigctld "$err" wine "$deliver" "$event" "$trigger" \
    "$(winepath -w "$dir/$(basename "$program")")" --headless --port ftdi \
    --trace "$(winepath -w "$trace")" >"$dir/$event.ending"
  check "$event: the panel answers rigctl after start-up (it answered '$first_answer')" \
    test "$first_answer" = 106200000
  rigctl -m 2 -r "127.0.0.1:$port" F 100000000
  exec 3<>"/dev/tcp/127.0.0.1/$port"
  echo f >&3
  read -r -t 10 answer <&3
  check "$event: a client is connected" test "${answer:-}" = 100000000
  touch "$dir/deliver"
  # Signal 0 is none: the helper delivers the event, and ends within ten seconds of it.
  end_program 0
  # What the helper says, without the panel's log (its standard output too) and the port it took.
  ending=$(grep -hv -e '^Word ' -e '^saa1057-panel: rigctld listens on ' "$err" "$dir/$event.ending" |
    tr -d '\r' | paste -sd ' ')
  check "$event: the event is delivered ($ending)" test "$status" -eq 0
  check "$event: the client sees the connection closed" timeout 10 cat <&3 >/dev/null
  exec 3<&-
  check "$event: the adapter is given back, its pins inputs again ($ending)" \
    test "$(tail -n 2 "$d2xx_log" | paste -sd ' ')" = "bit mode 0x00 mask 0x00 close"
  check "$event: the trace ends with its closing timestamp" \
    grep -q '^#[0-9]*$' <(tail -n 1 "$trace" | tr -d '\r')
  check "$event: the trace holds start-up's word and rigctl's" \
    test "$(decoded_words "$trace" CLB DATA DLEN)" = "2daa 2b3e"
done
check "Ctrl+C lets the panel end by itself with 0, as before ($ending)" \
  test "$ending" = "ended by itself with status 0"

finish

# Sourced by the tests that run the panel as a board: counted checks, sigrok's reading of a
# recorded bus, and a start on a free rigctld port.
source "$(dirname "${BASH_SOURCE[0]}")/../support/checks.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../support/wait.sh"
# The 17-bit words in the value change dump $1, whose clock, data and enable wires are named
# $2, $3 and $4, as sigrok's SPI decoder reads them: "2daa e100". Idle stretches are shortened:
# a trace in real time has a sample per nanosecond, minutes of work for sigrok otherwise.
decoded_words() {
  sigrok-cli -I vcd:compress=1000 -i "$1" -A spi=mosi-data \
    -P "spi:clk=$2:mosi=$3:cs=$4:cs_polarity=active-high:cpol=0:cpha=0:bitorder=msb-first:wordsize=17" \
    | awk '{print $NF}' | tr 'A-F' 'a-f' | paste -sd ' '
}
# Starts "$@" in the background serving rigctld on a free loopback port, and waits for its first
# answer. Sets pid, port and first_answer (the frequency it reports).
serve_rigctld() {
  local attempt
  for attempt in 1 2 3 4 5; do  # a taken port ends the program at once: try another
    port=$((20000 + RANDOM % 20000))
    "$@" --rigctld "127.0.0.1:$port" &
    pid=$!
    await_rigctld "127.0.0.1:$port" "$pid"
    kill -0 "$pid" 2>/dev/null && return
  done
}
# Waits up to thirty seconds (a loaded machine, a sanitized build), while the panel at pid $2
# runs, for rigctl's answer at $1 (HOST:PORT) to `f`; sets first_answer (empty when none came).
await_rigctld() {
  first_answer=""
  wait_for 300 --while "$2" rigctld_answers "$1"
}
rigctld_answers() { first_answer=$(rigctl -m 2 -r "$1" f 2>/dev/null); }
# Sends signal $1 to the panel at pid and gives it ten seconds to end: a panel still starting
# ignores SIGINT, as every background job of a script does until it sets its own handler. Sets
# status (137 when it had to be killed) and clears pid.
end_program() {
  kill -s "$1" "$pid"
  if ! wait_for 100 gone; then
    echo "the panel did not end on SIG$1 within ten seconds: killed"
    kill -KILL "$pid"
  fi
  wait "$pid"
  status=$?
  pid=""
}

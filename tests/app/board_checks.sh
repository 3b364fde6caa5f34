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
# Starts "$@" in the background serving rigctld on loopback, on the port that the system
# chooses (port 0: no other test can hold it), its standard error into file $1; waits for the
# port that it names there, then for its first answer. Sets pid, port and first_answer; when
# either does not come, shows the program's standard error and fails.
serve_rigctld() {
  local errors=$1
  shift
  port="" first_answer=""
  "$@" --rigctld 127.0.0.1:0 2>"$errors" &
  pid=$!
  # Thirty seconds each for a loaded machine or a sanitized build.
  wait_for 300 --while "$pid" rigctld_port_named "$errors" &&
    wait_for 300 --while "$pid" rigctld_answers "127.0.0.1:$port" && return
  echo "no rigctld answer at 127.0.0.1:${port:-(no port named)}; its standard error:" >&2
  indented "$errors" >&2
  return 1
}
# Whether file $1 names the rigctld port, as "saa1057-panel: rigctld listens on HOST:PORT" (a
# carriage return after it under Wine); sets port.
rigctld_port_named() {
  port=$(sed -n 's/^saa1057-panel: rigctld listens on .*:\([0-9][0-9]*\)\r*$/\1/p' "$1")
  [ -n "$port" ]
}
# The lines of file $1, indented: what a failed check saw.
indented() { sed 's/^/    /' "$1"; }
# Whether text $1 is matched whole by the shell pattern $2 ("*" for any text, "\[" for "[").
matches() { [[ $1 == $2 ]]; }
# Whether rigctl's answer at $1 (HOST:PORT) to `f` came; sets first_answer.
rigctld_answers() { first_answer=$(rigctl -m 2 -r "$1" f 2>/dev/null); }
# Sends signal $1 to the panel at pid and gives it ten seconds to end: a panel still starting
# ignores SIGINT, as every background job of a script does until it sets its own handler. Sets
# status (137 when it had to be killed) and clears pid.
end_program() {
  kill -s "$1" "$pid"
  wait_for 100 gone ||
    { echo "the panel did not end on SIG$1 within ten seconds: killed"; kill -KILL "$pid"; }
  wait "$pid"
  status=$? pid=""
}

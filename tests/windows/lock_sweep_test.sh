#!/usr/bin/env bash
# The headless sweep under Wine through a port whose library is a stand-in beside the program,
# answering the lock line from the simulated oscillator that the words it carries tune (sim/):
# each row must say locked on exactly the model's dividers, each at the model's time, and the
# summary must give the model's range and no quicker a slowest lock.
# Usage: tests/windows/lock_sweep_test.sh PROGRAM.exe STAND_IN.dll EXPECTED PORT VARIABLE=VALUE LINE
#   PORT: what --port is given; VARIABLE=VALUE: what makes the stand-in answer from the model;
#   LINE: the lock line the program says it reads.
set -u
program=$1 stand_in=$2 expected=$3 port=$4 model=$5 line=$6
source "$(dirname "$0")/../support/checks.sh"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
# A folder of its own, for the library beside the program; Qt's DLLs are found on the PATH.
cp "$program" "$stand_in" "$dir"
export WINEPATH
WINEPATH=$(winepath -w "$(dirname "$program")")
wait_s=120

status=0
env "$model" timeout "$wait_s" wine "$dir/$(basename "$program")" --headless \
  --port "$port" --lock --word-b test=lock --sweep 8500N-12950N/50N >"$dir/rows" 2>"$dir/said" ||
  status=$?
sed -i 's/\r$//' "$dir/rows" "$dir/said"
check "--port $port: status 0 (it was $status; 124: no end in $wait_s s); standard error holds:
$(sed 's/^/    /' "$dir/said")" test "$status" -eq 0
# Each row beside the model's: locked on its dividers only, each lock told at most 2 ms before
# the model's time (the program starts timing once the load's write returns, which Wine may
# delay) and at most 20 ms after it (it reads the line between Wine's turns, which a busy machine
# spaces out); the lock told soonest after its model's time, within 1 ms of it.
paste -d ' ' <(grep -v '^#' "$expected") \
  <(awk -F, 'NR > 1 { print $1, $4, ($5 == "" ? "-" : $5) }' "$dir/rows") >"$dir/both"
awk '{ timed = $3 == "-" ? $6 == "-" : $6 != "-" && $6 >= $3 - 2 && $6 <= $3 + 20 }
  !($1 == $4 && $2 == $5 && timed) { print "    wanted", $1, $2, $3 ", got", $4, $5, $6 }
  $3 != "-" && (!locks++ || $6 - $3 < soonest) { soonest = $6 - $3 }
  END { if (soonest > 1) print "    the lock told soonest came " soonest " ms after the model'"'"'s" }' \
  "$dir/both" >"$dir/off"
check "--port $port: locked exactly over the model's range, each at the model's time; off:
$(cat "$dir/off")" test ! -s "$dir/off"
# The model's slowest lock, 3.4 ms at 117.80 MHz, less a tenth: the program rounds to one, and
# starts timing just after the load. Progress may come first on a slow machine.
summary='^saa1057-panel: locks from 75\.30 to 117\.80 MHz, slowest \([0-9.]*\) ms at [0-9.]*$'
slowest=$(sed -n "s/$summary/\1/p" "$dir/said")
check "--port $port: the summary gives the model's range, the slowest lock at least 3.3 ms" \
  awk -v ms="$slowest" 'BEGIN { exit !(ms != "" && ms + 0 >= 3.3) }'
check "--port $port: the lock line named first" \
  grep -qx "saa1057-panel: Reading the lock on $line" <(head -n 1 "$dir/said")
check "--port $port: nothing else on standard error" \
  diff /dev/null <(sed 1d "$dir/said" | grep -v -e "$summary" -e '^saa1057-panel: sweeping: ')
finish "--port $port"

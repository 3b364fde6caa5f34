#!/usr/bin/env bash
# Runs the built program as a user would: each command line of program_runs.txt, checked for its
# exit status, standard output and standard error.
set -u
runs=$(readlink -f "$(dirname "$0")/program_runs.txt")
source "$(dirname "$0")/board_checks.sh"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 1

# No display unless the row names one; XDG_RUNTIME_DIR keeps Qt's warning about it out of what
# the user sees. The program is found by its name, as the rows write it.
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
export XDG_RUNTIME_DIR="$dir" PATH="$(dirname "$1"):$PATH"
# For rows: "${@:2}" until its output or error says $1 (10 s at most), then SIGTERM (or the
# signal named by $signal); what it wrote, and its status.
ended_on() {
  rm -f out err
  "${@:2}" >out 2>err &
  wait_for 100 grep -qs "$1" out err
  kill -s "${signal:-TERM}" $!
  wait $! 2>/dev/null; echo "status $?" >>out
  cat out
  cat err >&2
}
export -f ended_on wait_for
while IFS='|' read -r status command out err; do
  eval "timeout 20 env $command" >stdout 2>stderr </dev/null; got=$?
  check "$command: ends with $status, writing what program_runs.txt has; it ends with $got, writing:
$(indented stdout)
$(indented stderr)" matches "$got|$(<stdout)|$(<stderr)" \
    "$status|${out//\\n/$'\n'}|${err//\\n/$'\n'}"
done < <(sed -e '/^\(#.*\)\?$/d' -e 's/ *| */|/g' "$runs")

finish

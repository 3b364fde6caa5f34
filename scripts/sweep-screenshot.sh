#!/usr/bin/env bash
# Makes docs/lock-sweep.png: the simulated chip's sweep of the whole band, its plot as the program
# draws it. Re-runnable.
set -euo pipefail
cd "$(dirname "$0")/.."
program=${1:-build/app/saa1057-panel}
out=$(realpath -m "${2:-docs/lock-sweep.png}")
"$program" --simulate --sweep --plot "$out" >/dev/null 2>&1
echo "$out: the sweep's plot"

#!/usr/bin/env bash
# Makes docs/lock-sweep.png: the simulated chip's sweep of the whole band, its plot as Chromium
# draws it. Re-runnable; needs chromium (scripts/install-deps.sh screenshot).
set -euo pipefail
cd "$(dirname "$0")/.."
program=${1:-build/app/saa1057-panel}
out=$(realpath -m "${2:-docs/lock-sweep.png}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$program" --headless --simulate --lock --word-b test=lock --sweep --plot "$work/lock.svg" \
  >"$work/lock.csv"
# The plot's own size, so that the picture is the plot and nothing else.
size=$(sed -n 's/^<svg [^>]*width="\([0-9.]*\)" height="\([0-9.]*\)".*/\1,\2/p' "$work/lock.svg" |
  sed 's/\.0//g')
chromium --headless=new --no-sandbox --hide-scrollbars --window-size="$size" \
  --screenshot="$out" "file://$work/lock.svg" 2>/dev/null
echo "$out: the sweep's plot, $size"

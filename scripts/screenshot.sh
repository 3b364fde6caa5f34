#!/usr/bin/env bash
# Makes docs/screenshot.png: the panel on the simulated synthesizer in a virtual X server.
# Re-runnable; needs xvfb, x11-utils and imagemagick (scripts/install-deps.sh screenshot).
set -euo pipefail
cd "$(dirname "$0")/.."
panel=${1:-build/app/saa1057-panel}
out=${2:-docs/screenshot.png}

xvfb-run -a -s "-screen 0 640x480x24 -dpi 96" bash -c '
  set -euo pipefail
  "$1" --simulate &
  pid=$!
  trap "kill $pid 2>/dev/null || true" EXIT
  for _ in $(seq 50); do
    id=$(xwininfo -root -tree | awk "/SAA1057/ {print \$1; exit}")
    [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || { echo "screenshot: the panel window did not appear" >&2; exit 1; }
  sleep 1
  import -window "$id" "$2"
' _ "$panel" "$out"
echo "wrote $out"

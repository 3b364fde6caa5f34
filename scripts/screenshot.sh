#!/usr/bin/env bash
# Makes docs/screenshot.png: the panel on the simulated synthesizer in a virtual X server.
# Re-runnable; needs xvfb, x11-utils and imagemagick (scripts/install-deps.sh screenshot).
set -euo pipefail
cd "$(dirname "$0")/.."
panel=${1:-build/app/saa1057-panel}
out=${2:-docs/screenshot.png}

scripts/grab-window.sh SAA1057 "$out" -- "$panel" --simulate
echo "wrote $out"

#!/usr/bin/env bash
# Makes a picture of the panel on the simulated synthesizer in a virtual X server.
# Usage: scripts/screenshot.sh [OUT [PROGRAM...]]   (docs/screenshot.png, build/app/saa1057-panel;
# the program may be a command, such as wine and the Windows program).
# Re-runnable; needs xvfb, x11-utils and imagemagick (scripts/install-deps.sh screenshot).
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/screenshot.png}
shift || true
[ $# -gt 0 ] || set -- build/app/saa1057-panel

scripts/grab-window.sh SAA1057 "$out" -- "$@" --simulate
echo "wrote $out"

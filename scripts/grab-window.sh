#!/usr/bin/env bash
# Runs a program in a virtual X server and saves its window, found by its title, as a picture.
# Usage: scripts/grab-window.sh TITLE OUT [IMPORT_OPTION...] -- COMMAND [ARGUMENT...]
# Needs xvfb, x11-utils and imagemagick (scripts/install-deps.sh screenshot).
set -euo pipefail
source "$(dirname "$0")/../tests/support/wait.sh"
if [ -z "${GRAB_WINDOW_DISPLAY:-}" ]; then
  source "$(dirname "$0")/virtual-desktop.sh"
  GRAB_WINDOW_DISPLAY=1 on_virtual_screen "$0" "$@"
  exit
fi
title=$1 out=$2
shift 2
options=()
while [ "$1" != -- ]; do options+=("$1"); shift; done
shift
log=$(mktemp)
"$@" >"$log" 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null; wait $pid || true; rm -f "$log"' EXIT
window_shown() {
  id=$(xwininfo -root -tree | awk -v title="$title" 'index($0, title) {print $1; exit}')
  [ -n "$id" ]
}
wait_for 100 window_shown || { echo "grab-window: no window '$title' from $1" >&2; cat "$log" >&2; exit 1; }
sleep 3  # until it has drawn its contents
import -window "$id" "${options[@]}" "$out"

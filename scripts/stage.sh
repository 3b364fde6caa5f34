#!/usr/bin/env bash
# Keeps the wall time of each stage of make test and make check, and prints them as a table, so
# that a stage which grows is seen the day it does.
# Usage: scripts/stage.sh begin|end NAME    (a stage run twice counts both times)
#        scripts/stage.sh table             (a stage begun and not ended is shown unfinished)
# The times are kept in $SAA_STAGES, by default build-stages.txt at the top of the tree, which
# the Makefile empties as make test or make check starts.
set -euo pipefail
log=${SAA_STAGES:-$(cd "$(dirname "$0")/.." && pwd)/build-stages.txt}

case ${1-} in
  begin | end)
    [ $# -eq 2 ] || { echo "stage: usage: stage.sh begin|end NAME" >&2; exit 2; }
    printf '%s\t%s\t%s\n' "$2" "$1" "$(date +%s)" >>"$log" ;;
  table)
    [ -s "$log" ] || { echo "stage: no stage has run yet ($log is empty)"; exit 0; }
    awk -F'\t' -v now="$(date +%s)" '
      function clock(s) { return sprintf("%d:%02d", s / 60, s % 60) }
      $2 == "begin" {
        if (!($1 in spent)) { order[++n] = $1; spent[$1] = 0 }
        began[$1] = $3; if (!first || $3 < first) first = $3
      }
      $2 == "end" && ($1 in began) { spent[$1] += $3 - began[$1]; delete began[$1]; last = $3 }
      END {
        printf "%-34s %8s\n", "stage", "min:s"
        for (i = 1; i <= n; i++) {
          name = order[i]
          if (name in began) {
            printf "%-34s %8s  unfinished\n", name, clock(spent[name] + now - began[name])
            last = now
          }
          else printf "%-34s %8s\n", name, clock(spent[name])
        }
        printf "%-34s %8s\n", "wall time, first to last", clock((last ? last : now) - first)
      }' "$log" ;;
  *) echo "stage: usage: stage.sh begin|end NAME, or stage.sh table" >&2; exit 2 ;;
esac

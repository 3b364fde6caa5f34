#!/usr/bin/env bash
# Runs one libFuzzer target for a bounded time and prints the coverage it reached; the whole log
# only when it found something.
# Usage: scripts/fuzz.sh TARGET SECONDS CORPUS_DIR [LIBFUZZER_OPTION...]
set -uo pipefail
target=$1 seconds=$2 corpus=$3
shift 3
log="$corpus.log"
# Findings go beside the corpus, not into the working directory.
"$target" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
  -artifact_prefix="$corpus-" "$@" "$corpus" >"$log" 2>&1
status=$?
if [ "$status" -ne 0 ]; then
  cat "$log"
  exit "$status"
fi
echo "$(basename "$target"): $(grep -m1 -o 'DONE.*' "$log" || tail -n 1 "$log")"

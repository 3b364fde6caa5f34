# Sourced by the script tests: counted checks and their verdict.
passes=0 failures=0
check() {  # description, then a condition to evaluate
  local what=$1; shift
  if "$@"; then passes=$((passes + 1)); else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
finish() {  # [WHAT]: the counts; fails when a check did, or when none ran
  echo "${1:+$1: }$passes passed, $failures failed"
  [ "$failures" -eq 0 ] && [ "$passes" -gt 0 ]
}

#!/bin/bash
# Runs a test program under Wine, and once more if Wine itself lost it: now and then, on a busy
# machine, the wineserver drops a program as it starts ("wine client error:0: recvmsg: Connection
# reset by peer"), before the test has run. Any other failure stands.
errors=$(mktemp) || exit 1
trap 'rm -f "$errors"' EXIT
wine "$@" 2> >(tee "$errors" >&2)
status=$?
wait  # for tee
if [ "$status" -ne 0 ] && grep -q '^wine client error' "$errors"; then
  echo "Wine lost the program; running it once more" >&2
  wine "$@"
  exit
fi
exit "$status"

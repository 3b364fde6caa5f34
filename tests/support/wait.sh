# Sourced by the scripts that start a program and wait for it, on this machine and in the
# virtual machines' busybox shell alike.
# wait_for TENTHS [--while PID] CONDITION...: polls CONDITION ten times a second until it holds
# (status 0), or until TENTHS tenths of a second have passed or process PID has ended (status 1).
# Its locals are prefixed: CONDITION sees the caller's variables, $pid among them.
wait_for() {
  local wait_tenths=$1 wait_pid=""
  shift
  if [ "$1" = --while ]; then
    wait_pid=$2
    shift 2
  fi
  while [ "$wait_tenths" -gt 0 ]; do
    "$@" && return 0
    if [ -n "$wait_pid" ] && ! kill -0 "$wait_pid" 2>/dev/null; then return 1; fi
    sleep 0.1
    wait_tenths=$((wait_tenths - 1))
  done
  return 1
}
gone() { ! kill -0 "$pid" 2>/dev/null; }  # whether the program started last, $pid, has ended

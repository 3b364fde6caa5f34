# Sourced first by the virtual-machine tests, with their arguments: $1 is what the guest takes from
# this machine ($program: the panel, or the life cycle's package). Sets $vm (this folder), the
# folder the guest shares ($out, kept with the boot log when a check fails), and the checks of what
# the guest left in it.
set -u
program=$(realpath "$1")
vm=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
case $program in
  /mnt/* | /dev/* | /proc/* | /sys/*)
    echo "$program: the guest has its own ${program:0:4}: build it elsewhere"; exit 1 ;;
esac
source "$vm/../app/board_checks.sh"
out=$(mktemp -d "${TMPDIR:-/tmp}/saa1057-panel-vm.XXXXXX")
# On a failure, the guest's own words first: CI keeps nothing else.
kept() {
  echo "kept for a look: $out"
  for log in guest.log console.log; do
    echo "--- the end of $log:"
    tail -n 25 "$out/$log" 2>/dev/null
  done
}
trap '[ "$failures" -eq 0 ] && rm -rf "$out" || kept' EXIT
export SIGROKDECODE_DIR
SIGROKDECODE_DIR=$(cd "$vm/../../sigrok" && pwd)

# ARCH GUEST_SCRIPT "MODULE..." QEMU_OPTION...: boots the guest (boot.sh), where guest_helpers.sh
# runs GUEST_SCRIPT, of this folder. /out/env names them and $program, after what the test put there.
boot_guest() {
  local status=0
  printf 'program=%s\ntests=%s\nguest_script=%s\n' "$program" "$vm" "$vm/$2" >>"$out/env"
  "$vm/boot.sh" "$1" "$vm/guest_helpers.sh" "$out" "$3" "${@:4}" || status=$?
  check "the $1 guest ran its script" test "$status" -eq 0
}
# KIND TRACE [LINES [TRACE LINES]...]: the words on the lines (bus_lines.py), bit by bit and as
# our sigrok decoder reads them, must be expected/KIND.words and expected/KIND.decoded.
check_words() {
  local expected=$vm/expected/$1
  python3 -B "$vm/bus_lines.py" "$1" "$2" "$out/lines.vcd" "${@:3}" >"$out/words"
  check "$1: the lines carried exactly the words expected" \
    diff -u <(grep -v '^#' "$expected.words") "$out/words"
  sigrok-cli -I vcd -i "$out/lines.vcd" -P saa1057 -A saa1057=words:warnings \
    >"$out/decoded" 2>"$out/decoded.err"
  check "$1: our sigrok decoder reads them, with no warning" diff -u "$expected.decoded" "$out/decoded"
  check "$1: sigrok-cli reports no error" diff /dev/null "$out/decoded.err"
}
# A table on standard input, a line per case: CASE STATUS [MESSAGE]. Each case ended with STATUS,
# its standard error "saa1057-panel: MESSAGE" (then the pointer to --help for a 2), or empty.
check_outcomes() {
  local case status message
  while read -r case status message; do
    check "$case: exit status $status" test "$(cat "$out/$case.status" 2>/dev/null)" = "$status"
    check "$case: its standard error" diff -u <(said "$status" "$message") "$out/$case.err"
  done
}
said() {
  if [ -n "$2" ]; then echo "saa1057-panel: $2"; fi
  if [ "$1" = 2 ]; then echo "Try 'saa1057-panel --help' for more information."; fi
}

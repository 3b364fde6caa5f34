# Sourced by the virtual-machine tests, once $here (this folder) and what the guest takes from this
# machine ($program, or the life cycle's $deb) are set: the folder the guest shares ($out, kept
# with the boot log when a check fails), and the checks of what the guest left in it.
from_host=${program:-$deb}
case $from_host in
  /mnt/* | /dev/* | /proc/* | /sys/*)
    echo "$from_host: the guest has its own ${from_host:0:4}: build it elsewhere"; exit 1 ;;
esac
source "$(dirname "${BASH_SOURCE[0]}")/../app/board_checks.sh"
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
SIGROKDECODE_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../sigrok" && pwd)

# ARCH GUEST_SCRIPT "MODULE..." QEMU_OPTION...: boots the guest (boot.sh) on $program.
boot_guest() {
  local status=0
  printf 'program=%s\ntests=%s\n' "$program" "$here" >"$out/env"
  "$here/boot.sh" "$1" "$here/$2" "$out" "$3" "${@:4}" || status=$?
  check "the $1 guest ran its cases" test "$status" -eq 0
}
# KIND TRACE [LINES [TRACE LINES]...]: the words on the lines (bus_lines.py), bit by bit and as
# our sigrok decoder reads them, must be expected/KIND.words and expected/KIND.decoded.
check_words() {
  local expected=$here/expected/$1
  python3 "$here/bus_lines.py" "$1" "$2" "$out/lines.vcd" "${@:3}" >"$out/words"
  check "$1: the lines carried exactly the words expected" \
    diff -u <(grep -v '^#' "$expected.words") "$out/words"
  sigrok-cli -I vcd -i "$out/lines.vcd" -P saa1057 -A saa1057=words:warnings \
    >"$out/decoded" 2>"$out/decoded.err"
  check "$1: our sigrok decoder reads them, with no warning" diff -u "$expected.decoded" "$out/decoded"
  check "$1: sigrok-cli reports no error" diff /dev/null "$out/decoded.err"
}
# CASE MESSAGE: the panel gave up with status 1 and MESSAGE.
check_refused() {
  check "$1: exit status 1" test "$(cat "$out/$1.status" 2>/dev/null)" = 1
  check "$1: the message" diff -u <(echo "saa1057-panel: $2") "$out/$1.err"
}
# CASE MESSAGE: the panel refused its options with status 2 and MESSAGE.
check_misused() {
  check "$1: exit status 2" test "$(cat "$out/$1.status" 2>/dev/null)" = 2
  check "$1: the message" diff -u - "$out/$1.err" <<END
saa1057-panel: $2
Try 'saa1057-panel --help' for more information.
END
}
# CASE: the panel ran until SIGTERM and ended cleanly, silent on standard error.
check_clean_end() {
  check "$1: ended cleanly on SIGTERM" test "$(cat "$out/$1.status" 2>/dev/null)" = 0
  check "$1: nothing on standard error" diff /dev/null "$out/$1.err"
}

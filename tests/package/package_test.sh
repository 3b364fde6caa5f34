#!/usr/bin/env bash
# Checks the .deb as Debian checks packages: lintian (which also wants the copyright, the changelog
# and a manual page that groff takes without a warning), the desktop entry, the AppStream
# metadata, the service, the service's user, and the lines of package_lines.txt. The manual's
# options are the docs tests'. A package for another architecture (arm64) runs its program under
# qemu-user. Installed it is only in a virtual machine: lifecycle_test.sh.
# Usage: package_test.sh DEB [ARCHITECTURE]   (Debian's name; this machine's unless given)
set -u
deb=$1
architecture=${2:-$(dpkg --print-architecture)}
run=()
[ "$architecture" = "$(dpkg --print-architecture)" ] ||
  run=("qemu-$(dpkg-architecture -a "$architecture" -qDEB_HOST_GNU_CPU 2>/dev/null)")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root out=$work/out err=$work/err

source "$(dirname "$0")/../app/board_checks.sh"
quiet() { "$@" >"$out" 2>"$err" || { cat "$out" "$err"; return 1; }; }

[ -f "$deb" ] || { echo "no package: $deb (make package builds it)"; exit 1; }
echo "checking $deb"
lintian --fail-on error,warning --display-info "$deb" 2>&1 | grep -v "running with root privileges" |
  sed "s/^/  lintian: /"
check "lintian finds no error or warning" test "${PIPESTATUS[0]}" -eq 0

dpkg-deb --raw-extract "$deb" "$root"
check "built for $architecture" grep -qx "Architecture: $architecture" "$root/DEBIAN/control"
version=$(dpkg-deb --field "$deb" Version)
check "the program in /usr/bin is the package's version" \
  test "$("${run[@]}" "$root/usr/bin/saa1057-panel" --version)" = "saa1057-panel ${version%-*}"
LC_ALL=C.UTF-8 MANWIDTH=80 man -E ascii -l "$root/usr/share/man/man1/saa1057-panel.1.gz" \
  >"$root/manual" 2>/dev/null
while read -r path line; do
  check "$path has the line: $line" grep -qx -- "$line" <(sed 's/^ *//; s/  */ /g' "$root/$path")
done < <(grep -v '^#\|^$' "$(dirname "$0")/package_lines.txt")

check "the desktop entry is valid" \
  quiet desktop-file-validate "$root/usr/share/applications/saa1057-panel.desktop"
check "the AppStream metadata is valid and launches the desktop entry" \
  quiet appstreamcli validate-tree --no-net "$root"
check "sigrok-cli loads the package's protocol decoder" quiet env \
  SIGROKDECODE_DIR="$root/usr/share/libsigrokdecode/decoders" sigrok-cli --protocol-decoders saa1057 --show

# The service, where Debian 12's debhelper puts units: systemd finds no fault in it, against
# systemd's own targets, and it is no more exposed than its hardening makes it (1.7 of 10: a
# line dropped raises the level).
unit=$root/lib/systemd/system/saa1057-panel.service
cp -n /usr/lib/systemd/system/*.target "$root/lib/systemd/system/"
check "systemd-analyze verifies the service without a complaint" \
  eval '! systemd-analyze verify --man=no --root="$root" saa1057-panel.service 2>&1 | grep .'
check "the service's hardening keeps its exposure at 1.7" quiet \
  systemd-analyze security --offline=true --threshold=17 --root="$root" saa1057-panel.service
check "enabling the service starts it at boot" eval 'quiet systemctl --root="$root" enable \
  saa1057-panel.service && test -L "$root/etc/systemd/system/multi-user.target.wants/saa1057-panel.service"'

# Its user, as systemd-sysusers makes it at install (lifecycle_test.sh sees the postinst do it)
# on a system with Debian's base users and groups (lp is Debian's group 7, plugdev 46).
users=$work/users/etc
mkdir -p "$users" && echo "root:x:0:0:root:/root:/bin/bash" >"$users/passwd"
printf 'root:x:0:\nlp:x:7:\nplugdev:x:46:\n' >"$users/group"
check "systemd-sysusers takes the package's users" quiet \
  systemd-sysusers --root="$work/users" "$root/usr/lib/sysusers.d/saa1057-panel.conf"
check "the service's user is a system user without a login shell, in the groups of the parallel
ports (lp), the GPIO chips (gpio) and the FTDI adapters (plugdev)" diff -u - <(awk -F: \
  'NR == FNR && $1 == "saa1057-panel" {print ($3 < 1000 ? "system" : "uid " $3), $7}
  NR > FNR && $4 == "saa1057-panel" {print $1}' \
  "$users/passwd" "$users/group" | sort) <<<$'gpio\nlp\nplugdev\nsystem /usr/sbin/nologin'

# The unit's command line with the options file's values (systemd's ${NAME} is one word, as in
# the shell's "${NAME}", and empty when the file has no NAME): the program takes them, serves
# rigctld where the file says and keeps its state in the service's state folder
# (STATE_DIRECTORY, here the test's). On the simulated chip, since this machine's GPIO chips are
# not for tests, and on the file's rigctld host at the port that the system chooses (port 0: no
# other test can hold it), which the program names.
source "$root/etc/default/saa1057-panel" 2>/dev/null
host=${RIGCTLD-}
host=${host%:*}
RIGCTLD=$host:0
eval "set -- $(sed -n 's/^ExecStart=//; T; s/--port ${PORT}/--simulate/; s/\${\([A-Z_]*\)}/"${\1-}"/gp' "$unit")"
[[ " $* " == *" --simulate "* ]] || { echo "FAILED: the service's command line has no --port \${PORT}"; exit 1; }
STATE_DIRECTORY=$work/state env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
  "${run[@]}" "$root$1" "${@:2}" >"$work/service.log" 2>"$err" &
pid=$!
port="" first_answer=""
wait_for 300 --while "$pid" rigctld_port_named "$err" && await_rigctld "$host:$port" "$pid"
end_program TERM
check "the service's command line serves rigctld where the options file says (at port '$port'
it answered '$first_answer'); standard error holds:
$(indented "$err")" test "$first_answer" = 106200000
check "the service's command line resumes (RESUME=${RESUME-}) and keeps its state at the end" \
  test "${RESUME-},$(sed -n 2p "$work/state/state" 2>&1)" = "yes,divider 11690"

finish package

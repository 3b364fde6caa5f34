#!/usr/bin/env bash
# Checks the .deb as Debian checks packages: lintian, the desktop entry, the AppStream metadata,
# the manual page, the service, the files where policy puts them. A package for another
# architecture (arm64) runs its program under qemu-user. Installed it is only in a virtual
# machine: lifecycle_test.sh.
# Usage: package_test.sh DEB [ARCHITECTURE]   (Debian's name; this machine's unless given)
set -u
deb=$1
architecture=${2:-$(dpkg --print-architecture)}
native=$([ "$architecture" = "$(dpkg --print-architecture)" ] && echo true || echo false)
run=()
$native || run=("qemu-$(dpkg-architecture -a "$architecture" -qDEB_HOST_GNU_CPU 2>/dev/null)")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root out=$work/out err=$work/err

source "$(dirname "$0")/../app/board_checks.sh"
quiet() { "$@" >"$out" 2>"$err" || { cat "$out" "$err"; return 1; }; }
empty() { [ ! -s "$1" ] || { cat "$1"; return 1; }; }
contains() { grep -q -- "$2" "$1"; }

[ -f "$deb" ] || { echo "no package: $deb (make package builds it)"; exit 1; }
echo "checking $deb"

lintian --fail-on error,warning --display-info "$deb" >"$out" 2>"$err"
status=$?
sed "s/^/  lintian: /" "$out"
grep -v "running with root privileges" "$err"
check "lintian finds no error or warning" test "$status" -eq 0

field() { dpkg-deb --field "$deb" "$1"; }
check "built for $architecture" test "$(field Architecture)" = "$architecture"
check "dpkg-shlibdeps found the Qt widgets library" contains <(field Depends) "libqt6widgets6 (>= "
check "in the hamradio section" test "$(field Section)" = hamradio

dpkg-deb --extract "$deb" "$root"
version=$(field Version)
check "the program is in /usr/bin" test -x "$root/usr/bin/saa1057-panel"
"${run[@]}" "$root/usr/bin/saa1057-panel" --version >"$out"
check "the program is the package's version" test "$(cat "$out")" = "saa1057-panel ${version%-*}"

man_page=$root/usr/share/man/man1/saa1057-panel.1.gz
check "the manual page is gzip-compressed" gzip --test "$man_page"
LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E ascii -l "$man_page" >"$out" 2>"$err"
check "the manual page renders without warnings" empty "$err"
manual=$(cat "$out")
"${run[@]}" "$root/usr/bin/saa1057-panel" --help >"$out"
options=$(grep -o '^  --[a-z-]*' "$out")
check "--help lists the options" test "$(wc -w <<<"$options")" -ge 8
for option in $options; do
  check "the manual page describes $option" grep -q -- "^       $option\b" <<<"$manual"
done
# The wiring, as the README tables it: the parallel port's DB-25 and the Raspberry Pi's header.
for row in "clock *CLB *data (base), bit 7 *9" "data *DATA *data (base), bit 3 *5" \
  "enable *DLEN *control (base + 2), bit 0 *1" "ground *ground *18 to 25" \
  "clock *CLB *11 *GPIO17" "data *DATA *13 *GPIO27" "enable *DLEN *15 *GPIO22" "ground *ground *9"; do
  check "the manual page's wiring has: $row" grep -q "$row" <<<"$manual"
done
# The exit statuses the program's tests see: 0 when closed, 1 on a failure, 2 on a usage error.
for status in "0 *The *window *was *closed" "1 *The *port" "2 *Usage *error"; do
  check "the manual page's exit status: $status" grep -q "^       $status" <<<"$manual"
done

doc=$root/usr/share/doc/saa1057-panel
check "the copyright file is in the package's doc folder" test -f "$doc/copyright"
check "the Debian changelog is compressed beside it" gzip --test "$doc/changelog.Debian.gz"

desktop=$root/usr/share/applications/saa1057-panel.desktop
check "the desktop entry is valid" quiet desktop-file-validate "$desktop"
check "the desktop entry starts the program" contains "$desktop" "^Exec=saa1057-panel$"
check "the desktop menu files it under amateur radio" contains "$desktop" "^Categories=.*HamRadio;"
check "the desktop entry's icon is in hicolor" \
  test -f "$root/usr/share/icons/hicolor/scalable/apps/$(sed -n 's/^Icon=//p' "$desktop").svg"
check "the AppStream metadata is valid and launches the desktop entry" \
  quiet appstreamcli validate-tree --no-net "$root"
check "the AppStream metadata names the program the package has" \
  test -x "$root/usr/bin/$(sed -n 's/.*<binary>\(.*\)<\/binary>.*/\1/p' "$root"/usr/share/metainfo/*.xml)"

rules=$root/usr/lib/udev/rules.d
check "the seat's rule is numbered below 73, so that the seat's uaccess applies" \
  test -f "$rules/70-saa1057-panel.rules"
check "the user at the seat gets the parallel ports" \
  contains "$rules/70-saa1057-panel.rules" '^SUBSYSTEM=="ppdev", KERNEL=="parport\[0-9\]\*", TAG+="uaccess"$'
check "the user at the seat gets the GPIO chips" \
  contains "$rules/70-saa1057-panel.rules" '^SUBSYSTEM=="gpio", KERNEL=="gpiochip\[0-9\]\*", TAG+="uaccess"$'
check "the gpio group gets the GPIO chips" \
  contains "$rules/60-saa1057-panel-gpio.rules" '^SUBSYSTEM=="gpio", KERNEL=="gpiochip\*", GROUP="gpio", MODE="0660"$'
# FTDI's IDs: FT232R, FT2232, FT4232, FT232H, FT-X.
ftdi='SUBSYSTEM=="usb", ENV{DEVTYPE}=="usb_device", ATTR{idVendor}=="0403", ATTR{idProduct}=="6001|6010|6011|6014|6015"'
check "the user at the seat gets the FTDI adapters" \
  contains "$rules/70-saa1057-panel.rules" "^$ftdi, TAG+=\"uaccess\"\$"
check "the plugdev group gets the FTDI adapters" \
  contains "$rules/60-saa1057-panel-ftdi.rules" "^$ftdi, GROUP=\"plugdev\", MODE=\"0660\"\$"

decoders=$root/usr/share/libsigrokdecode/decoders
check "sigrok-cli loads the package's protocol decoder" \
  quiet env SIGROKDECODE_DIR="$decoders" sigrok-cli --protocol-decoders saa1057 --show

# The service, where Debian 12's debhelper puts units: systemd finds no fault in it, against
# systemd's own targets, and it is no more exposed than its hardening makes it (1.7 of 10: a
# line dropped raises the level).
units=$root/lib/systemd/system
unit=$units/saa1057-panel.service
cp -n /usr/lib/systemd/system/*.target "$units/"
systemd-analyze verify --man=no --root="$root" saa1057-panel.service >"$out" 2>"$err"
check "systemd-analyze verifies the service without a complaint" \
  eval 'test $? -eq 0 && empty "$err"'
check "the service's hardening keeps its exposure at 1.7" quiet \
  systemd-analyze security --offline=true --threshold=17 --root="$root" saa1057-panel.service
check "enabling the service starts it at boot" eval 'quiet systemctl --root="$root" enable \
  saa1057-panel.service && test -L "$root/etc/systemd/system/multi-user.target.wants/saa1057-panel.service"'
rm -rf "$units"/*.target "$root/etc/systemd"
options=$(sed -n 's/^EnvironmentFile=//p' "$unit")
check "the service reads its options from the package's conffile" eval 'test -f "$root$options" &&
  test "$(dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./conffiles)" = "$options"'

# Its user, as systemd-sysusers makes it at install (lifecycle_test.sh sees the postinst do it)
# on a system with Debian's base users and groups (lp is Debian's group 7, plugdev 46).
mkdir -p "$work/users/etc"
echo "root:x:0:0:root:/root:/bin/bash" >"$work/users/etc/passwd"
printf 'root:x:0:\nlp:x:7:\nplugdev:x:46:\n' >"$work/users/etc/group"
check "systemd-sysusers takes the package's users" quiet \
  systemd-sysusers --root="$work/users" "$root/usr/lib/sysusers.d/saa1057-panel.conf"
user=$(grep '^saa1057-panel:' "$work/users/etc/passwd")
check "the service runs as a system user without a login shell" \
  eval '[ "$(cut -d: -f3 <<<"$user")" -lt 1000 ] && [ "$(cut -d: -f7 <<<"$user")" = /usr/sbin/nologin ]'
check "the service runs as that user" contains "$unit" "^User=$(cut -d: -f1 <<<"$user")$"
check "the service's user may open the parallel ports (lp), the GPIO chips (gpio) and the FTDI adapters (plugdev)" \
  test "$(grep -E '^(lp|gpio|plugdev):' "$work/users/etc/group" | cut -d: -f1,4 | sort | paste -sd' ')" = \
  "gpio:saa1057-panel lp:saa1057-panel plugdev:saa1057-panel"

# The unit's command line with the options file's values (systemd's ${NAME} is one word, as in
# the shell's "${NAME}"): the program takes them, serves rigctld where the file says and keeps
# its state in the service's state folder (STATE_DIRECTORY, here the test's). On the simulated
# chip, since this machine's GPIO chips are not for tests, and on the file's rigctld host at the port that the system chooses (port 0: no other test can
# hold it), which the program names.
PORT="" RIGCTLD="" HTTP="" WORD_B="" RESUME=""
source "$root$options" 2>/dev/null
check "the options file names the Raspberry Pi's lines of the README" \
  test "$PORT" = gpio:gpiochip0:GPIO17,GPIO27,GPIO22
host=${RIGCTLD%:*}
RIGCTLD=$host:0
command=$(sed -n 's/^ExecStart=//; T; s/--port ${PORT}/--simulate/; s/\${\([A-Z_]*\)}/"${\1}"/gp' \
  "$unit")
eval "set -- $command"
[[ " $* " == *" --simulate "* ]] || { echo "FAILED: the service's command line has no --port \${PORT}"; exit 1; }
STATE_DIRECTORY=$work/state env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
  "${run[@]}" "$root$1" "${@:2}" \
  >"$work/service.log" 2>"$err" &
pid=$!
port="" first_answer=""
wait_for 300 --while "$pid" rigctld_port_named "$err" && await_rigctld "$host:$port" "$pid"
end_program TERM
check "the service's command line serves rigctld where the options file says (at port '$port'
it answered '$first_answer'); standard error holds:
$(indented "$err")" test "$first_answer" = 106200000
check "the service's command line resumes (RESUME=$RESUME) and keeps its state at the end" \
  test "$RESUME,$(sed -n 2p "$work/state/state" 2>&1)" = "yes,divider 11690"

finish package

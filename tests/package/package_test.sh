#!/usr/bin/env bash
# Checks the .deb as Debian checks packages: lintian, the desktop entry, the AppStream metadata,
# the manual page, the files where policy puts them. In CI (CI=true, a disposable machine) it
# also installs the package, runs the installed program and purges it again.
set -u
deb=$1
failures=0
passes=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root out=$work/out err=$work/err

check() {  # description, then a condition to evaluate
  local what=$1; shift
  if "$@"; then passes=$((passes + 1)); else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
quiet() { "$@" >"$out" 2>"$err" || { cat "$out" "$err"; return 1; }; }
empty() { [ ! -s "$1" ] || { cat "$1"; return 1; }; }
contains() { grep -q -- "$2" "$1"; }
forgotten() { ! dpkg-query --status "$1" >/dev/null 2>&1; }
# Waits until the panel at pid $1 has sent its first word into the trace $2, then ends it with
# SIGTERM; true when it was up and ended with status 0.
up_and_ends_cleanly() {
  local pid=$1 trace=$2
  for _ in $(seq 100); do
    grep -q '^1!$' "$trace" 2>/dev/null && break
    sleep 0.1
  done
  grep -q '^1!$' "$trace" 2>/dev/null || { kill "$pid"; wait "$pid"; return 1; }
  kill -TERM "$pid"
  wait "$pid"
}

[ -f "$deb" ] || { echo "no package: $deb (make package builds it)"; exit 1; }
echo "checking $deb"

lintian --fail-on error,warning --display-info "$deb" >"$out" 2>"$err"
status=$?
sed "s/^/  lintian: /" "$out"
grep -v "running with root privileges" "$err"
check "lintian finds no error or warning" test "$status" -eq 0

field() { dpkg-deb --field "$deb" "$1"; }
check "built for this machine's architecture" test "$(field Architecture)" = "$(dpkg --print-architecture)"
check "dpkg-shlibdeps found the Qt widgets library" contains <(field Depends) "libqt6widgets6 (>= "
check "in the hamradio section" test "$(field Section)" = hamradio

dpkg-deb --extract "$deb" "$root"
version=$(field Version)
check "the program is in /usr/bin" test -x "$root/usr/bin/saa1057-panel"
"$root/usr/bin/saa1057-panel" --version >"$out"
check "the program is the package's version" test "$(cat "$out")" = "saa1057-panel ${version%-*}"

man_page=$root/usr/share/man/man1/saa1057-panel.1.gz
check "the manual page is gzip-compressed" gzip --test "$man_page"
LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E ascii -l "$man_page" >"$out" 2>"$err"
check "the manual page renders without warnings" empty "$err"
manual=$(cat "$out")
"$root/usr/bin/saa1057-panel" --help >"$out"
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

rule=$(ls "$root"/usr/lib/udev/rules.d/*.rules)
check "one udev rule, numbered below 73 so that the seat's uaccess applies" \
  test "$(basename "$rule" | cut -c1-2)" -lt 73
check "the user at the seat gets the parallel ports" \
  contains "$rule" '^SUBSYSTEM=="ppdev", KERNEL=="parport\[0-9\]\*", TAG+="uaccess"$'
check "the user at the seat gets the GPIO chips" \
  contains "$rule" '^SUBSYSTEM=="gpio", KERNEL=="gpiochip\[0-9\]\*", TAG+="uaccess"$'

if [ "${CI:-}" = true ]; then
  export DEBIAN_FRONTEND=noninteractive
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo=sudo; fi
  # What of the package's tree the system had already, such as /usr/share/man/man1: it stays.
  (cd "$root" && find . -mindepth 1 | cut -c2- && echo /.) | while read -r path; do
    if [ -e "$path" ]; then echo "$path"; fi
  done >"$work/existed"
  check "apt-get installs the package" quiet $sudo apt-get install -y -q "$(realpath "$deb")"
  dpkg-query --listfiles saa1057-panel >"$work/files"
  check "the program is on PATH" test "$(command -v saa1057-panel)" = /usr/bin/saa1057-panel
  check "the installed program prints its version" quiet saa1057-panel --version
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
    saa1057-panel --headless --simulate --trace "$work/bus.vcd" >"$out" 2>"$err" &
  check "the installed program runs headless on the simulated synthesizer" \
    up_and_ends_cleanly $! "$work/bus.vcd"
  for decoder in $(grep -o '/libsigrokdecode/decoders/[^/]*$' "$work/files" | cut -d/ -f4); do
    check "sigrok-cli finds the installed decoder $decoder" \
      quiet env -u SIGROKDECODE_DIR sigrok-cli --protocol-decoders "$decoder" --show
  done
  check "apt-get purges the package" quiet $sudo apt-get purge -y -q saa1057-panel
  check "dpkg forgets the package" forgotten saa1057-panel
  while read -r path; do
    if { [ -e "$path" ] || [ -L "$path" ]; } && ! grep -qxF -- "$path" "$work/existed"; then
      echo "left behind: $path"; failures=$((failures + 1))
    fi
  done <"$work/files"
fi

echo "package: $passes passed, $failures failed"
[ "$failures" -eq 0 ]

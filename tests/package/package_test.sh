#!/usr/bin/env bash
# Checks the .deb as Debian checks packages: lintian (which also wants the copyright, the changelog
# and a manual page that groff takes without a warning), the desktop entry, the AppStream
# metadata, the service, and the lines of package_lines.txt. The manual's options are the docs
# tests'. A package for another architecture (arm64) runs its program under qemu-user. Installed,
# its service running as its user, it is only in a virtual machine: lifecycle_test.sh.
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

source "$(dirname "$0")/../support/checks.sh"
quiet() { "$@" >"$out" 2>"$err" || { cat "$out" "$err"; return 1; }; }

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
cp -n /usr/lib/systemd/system/*.target "$root/lib/systemd/system/"
check "systemd-analyze verifies the service without a complaint" \
  eval '! systemd-analyze verify --man=no --root="$root" saa1057-panel.service 2>&1 | grep .'
check "the service's hardening keeps its exposure at 1.7" quiet \
  systemd-analyze security --offline=true --threshold=17 --root="$root" saa1057-panel.service
finish package

#!/usr/bin/env bash
# The package's life cycle with its service running, in a Debian 12 system that QEMU boots with
# systemd as its PID 1 (this machine runs none, and the package is never installed on it):
# install, enable and start on QEMU's emulated parallel port, upgrade to a newer build, remove
# while it runs, purge. lifecycle_guest.sh takes the steps; here is what each must leave.
# Usage: lifecycle_test.sh DEB   (an amd64 package)
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../vm/vm_checks.sh"
deb=$program
is() { diff -u <(printf '%s' "${2:+$2$'\n'}") "$out/$1"; }  # FILE TEXT: it holds TEXT's lines
succeeded() { [ "$(cat "$out/$1.status")" = 0 ] || ! cat "$out/$1.out"; }
ran() { check "$1: the command succeeded" succeeded "$1"; }  # STEP

# The same build at a newer version: what an upgrade runs of the maintainer scripts is the same.
version=$(dpkg-deb --field "$deb" Version)
dpkg-deb --raw-extract "$deb" "$out/upgrade"
sed -i "s/^Version: .*/Version: $version+1/" "$out/upgrade/DEBIAN/control"
dpkg-deb --root-owner-group --build "$out/upgrade" "$out/upgrade.deb" >/dev/null
rm -rf "$out/upgrade"

# Debian 12 with what the package depends on (the first of each choice), made once.
depends=$(dpkg-deb --field "$deb" Depends | tr ',' '\n' | sed 's/|.*//; s/(.*//; s/ //g')
image=$("$vm/debian_system.sh" amd64 $depends) || { echo "FAILED: no Debian 12 system"; exit 1; }
printf 'system_script=%s\ndeb=%s\n' "$here/lifecycle_guest.sh" "$deb" >"$out/env"
VM_TIMEOUT=${VM_TIMEOUT:-400} boot_guest amd64 system_guest.sh \
  "crc32c_generic ext4 virtio_blk parport_pc ppdev" \
  -drive "file=$image,format=raw,if=virtio,snapshot=on" \
  -chardev null,id=parallel -device isa-parallel,chardev=parallel,iobase=0x378
check "the service started each time the guest waited for it" eval '! cat "$out/timeouts" 2>/dev/null'

start_up="Word A 0010110110101010 sent: N 11690, 106.2 MHz"
ran install
check "installed: the service's user is in the groups lp, gpio and plugdev" \
  is installed.groups "gpio lp plugdev saa1057-panel"
check "installed: the service is disabled" is installed.enabled disabled
check "installed: the service is not started" is installed.active inactive

ran enable
check "enabled: the service runs" is enabled.active active
check "enabled: as its user" is enabled.user saa1057-panel
check "enabled: at boot too" is enabled.links \
  "multi-user.target.wants/saa1057-panel.service -> /lib/systemd/system/saa1057-panel.service"
check "enabled: with an empty RIGCTLD and WORD_B, the start-up word alone" is enabled.journal "$start_up"
check "enabled: with an empty RIGCTLD, only the web page listens, on 0.0.0.0:8080" \
  is enabled.listening 00000000:1F90
check "enabled: the web page's password was made up, for the service's user alone" \
  is enabled.password "600 saa1057-panel 13"

ran upgrade
check "upgraded: the newer version is installed" is upgraded.version "$version+1"
check "upgraded: the service runs again" is upgraded.active active
check "upgraded: restarted, a new process" eval \
  '[ "$(cat "$out/upgraded.pid")" -gt 0 ] && [ "$(cat "$out/upgraded.pid")" != "$(cat "$out/enabled.pid")" ]'
check "upgraded: the new process sent its start-up word" is upgraded.journal "$start_up"$'\n'"$start_up"
check "upgraded: the administrator's options are kept" \
  diff -u "$out/options.changed" "$out/options.upgraded"
check "upgraded: without a copy of the package's beside them" is upgraded.options saa1057-panel

ran stop
check "stopped: the state kept" is stopped.state $'saa1057-panel state 1\ndivider 11690\nword-b\nspeed 100'
ran restart
check "restarted: back on the station kept" is restarted.journal \
  "$start_up"$'\n'"$start_up"$'\n'"$start_up"$'\nWord A 0010100110111000 sent: N 10680, 96.1 MHz'

ran remove
check "removed while running: the service is stopped" is removed.active inactive
check "removed while running: no panel runs" is removed.processes ""
check "removed: the service is no longer enabled" eval '! grep -x enabled "$out/removed.enabled"'
# Debian keeps the administrator's choice to enable it, as it keeps the options file, until purge.
check "removed: the enabling link is kept, naming a unit that is gone" is removed.links \
  "multi-user.target.wants/saa1057-panel.service -> /lib/systemd/system/saa1057-panel.service"
check "removed: the options file is kept" is removed.options kept

ran purge
check "purged: dpkg forgets the package" \
  is purged.known "dpkg-query: no packages found matching saa1057-panel"
check "purged: the service's user and group are gone" is purged.user ""
check "purged: nothing is left (options file, links, systemd's records, the password, files)" \
  is purged.left ""
finish "package life cycle"

#!/usr/bin/env bash
# The package's life cycle with its service running, in a Debian 12 system that QEMU boots with
# systemd as its PID 1 (this machine runs none, and the package is never installed on it):
# install, enable and start on QEMU's emulated parallel port, upgrade to a newer build, stop and
# start again, remove while it runs, purge. lifecycle_guest.sh takes the steps and reports what
# each left; ../vm/expected/lifecycle.txt says what each must leave.
# Usage: lifecycle_test.sh DEB   (an amd64 package)
guest() { boot_system "$vm/../package/lifecycle_guest.sh"; }
source "$(dirname "$0")/../vm/vm.sh"
deb=$program

# The same build at a newer version: what an upgrade runs of the maintainer scripts is the same.
version=$(dpkg-deb --field "$deb" Version)
dpkg-deb --raw-extract "$deb" "$out/upgrade"
sed -i "s/^Version: .*/Version: $version+1/" "$out/upgrade/DEBIAN/control"
dpkg-deb --root-owner-group --build "$out/upgrade" "$out/upgrade.deb" >/dev/null

# Debian 12 with what the package depends on (the first of each choice), made once.
depends=$(dpkg-deb --field "$deb" Depends | tr ',' '\n' | sed 's/|.*//; s/(.*//; s/ //g')
image=$(debian_system amd64 $depends) || { echo "FAILED: no Debian 12 system"; exit 1; }
echo "deb=$deb" >"$out/env"
VM_TIMEOUT=${VM_TIMEOUT:-400} boot amd64 "crc32c_generic ext4 virtio_blk parport_pc ppdev" \
  -drive "file=$image,format=raw,if=virtio,snapshot=on" \
  -chardev null,id=parallel -device isa-parallel,chardev=parallel,iobase=0x378
check_expected lifecycle

#!/usr/bin/env bash
# The package's life cycle with its service running, in a Debian 12 system that QEMU boots with
# systemd as its PID 1 (this machine runs none, and the package is never installed on it):
# install, enable and start on QEMU's emulated parallel port, upgrade (the same build again: dpkg
# runs an upgrade's maintainer scripts), stop and start again, remove while it runs, purge.
# lifecycle_guest.sh takes the steps and reports what each left; ../vm/expected/lifecycle.txt
# says what each must leave.
# Usage: lifecycle_test.sh DEB   (an amd64 package)

# The guest hands the machine over to the Debian system on the virtual disk (made below), whose
# systemd runs lifecycle_guest.sh under bash once the system is up, its output in /out/guest.log,
# its exit status in /out/status, and powers off. The system has no kernel modules of its own:
# every one that boot() was given is loaded here.
guest() {
  find /lib/modules -name '*.ko' -exec basename {} .ko \; | xargs -n 1 modprobe || exit 1
  wait_for 100 [ -b /dev/vda ]
  mkdir -p /sysroot && mount -t ext4 /dev/vda /sysroot || exit 1
  units=/sysroot/etc/systemd/system
  cat >"$units/guest-script.service" <<EOF
[Service]
Type=oneshot
TimeoutStartSec=infinity
ExecStart=/bin/sh -c 'bash /host$vm/../package/lifecycle_guest.sh >/out/guest.log 2>&1; echo \$\$? >/out/status; sync; systemctl poweroff --force --force'
EOF
  mkdir -p "$units/multi-user.target.wants" /sysroot/host /sysroot/out
  ln -s ../guest-script.service "$units/multi-user.target.wants/guest-script.service"
  # /dev, /proc and /sys move into the system, as an initramfs's do; the init boots it.
  for mount in /host/dev /host/proc /host/sys /host/mnt; do umount "$mount" || exit 1; done
  for mount in /host /out /dev /proc /sys; do mount -o move "$mount" "/sysroot$mount" || exit 1; done
}
source "$(dirname "$0")/../vm/vm.sh"

# Debian 12, booted by systemd, with udev and what the package depends on (the first of each
# choice): made once, by mmdebstrap from this machine's apt sources, into an ext4 image in the
# cache named after what it holds (an image for other packages is removed). QEMU opens it with
# snapshot=on, so every boot starts from the same system.
packages=$({ echo systemd-sysv; echo udev; dpkg-deb --field "$program" Depends | tr ',' '\n' |
  sed 's/|.*//; s/(.*//; s/ //g'; } | sort -u | paste -sd,)
image=$cache/debian-12-amd64-$(sha256sum <<<"$packages" | cut -c1-16).ext4
exec 9>"$cache/.system-lock"
flock 9
if [ ! -e "$image" ]; then
  rm -f "$cache/debian-12-amd64-"*.ext4
  # The sources of this machine's apt (Debian 12's own archive, or its mirror).
  mapfile -t sources < <(find /etc/apt/sources.list /etc/apt/sources.list.d -maxdepth 1 -size +0 \
    \( -name '*.list' -o -name '*.sources' \) 2>/dev/null)
  echo "making Debian 12 with $packages (once)"
  # Unpacked and imaged under fakeroot, which keeps the owners without root.
  mmdebstrap --quiet --variant=minbase --architectures=amd64 --include="$packages" --format=tar \
    bookworm "$out/system.tar" "${sources[@]}" </dev/null && mkdir "$out/system" &&
    truncate --size=2G "$out/system.ext4" && fakeroot sh -c 'tar -xf "$1/system.tar" -C "$1/system" &&
      mke2fs -q -t ext4 -L debian -d "$1/system" "$1/system.ext4"' sh "$out" &&
    mv "$out/system.ext4" "$image" || fail "no Debian 12 system"
fi
flock -u 9
VM_TIMEOUT=${VM_TIMEOUT:-400} boot amd64 "crc32c_generic ext4 virtio_blk parport_pc ppdev" \
  -drive "file=$image,format=raw,if=virtio,snapshot=on" \
  -chardev null,id=parallel -device isa-parallel,chardev=parallel,iobase=0x378
check_expected lifecycle

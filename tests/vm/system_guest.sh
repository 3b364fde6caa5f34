# Run in the busybox guest (boot.sh, guest_helpers.sh) of a test that needs a whole Debian
# system, systemd as its PID 1: mounts the one on the virtual disk (debian_system.sh) at /sysroot
# with a service that runs /out/env's $system_script under bash once the system is up, its output
# in /out/guest.log, its exit status in /out/status, and then powers off; boot.sh's init then
# boots the system. The host's root (/host) and /out go along.
# The system has no kernel modules of its own: all that boot.sh was given are loaded here, the
# disk's (crc32c_generic ext4 virtio_blk) and the test's.
for module in $(find /lib/modules -name '*.ko' -exec basename {} .ko \;); do
  modprobe "$module" || exit 1
done
for _ in $(seq 100); do
  [ -b /dev/vda ] && break
  sleep 0.1
done
mkdir -p /sysroot && mount -t ext4 /dev/vda /sysroot || exit 1
units=/sysroot/etc/systemd/system
cat >"$units/guest-script.service" <<EOF
[Unit]
Description=The test's script

[Service]
Type=oneshot
TimeoutStartSec=infinity
ExecStart=/bin/sh -c 'bash /host$system_script >/out/guest.log 2>&1; echo \$\$? >/out/status; sync; systemctl poweroff --force --force'
EOF
mkdir -p "$units/multi-user.target.wants" /sysroot/host /sysroot/out
ln -s ../guest-script.service "$units/multi-user.target.wants/guest-script.service"
# /dev, /proc and /sys move into the system, as an initramfs's do.
for mount in /host/dev /host/proc /host/sys /host/mnt; do umount "$mount" || exit 1; done
for mount in /host /out /dev /proc /sys; do mount -o move "$mount" "/sysroot$mount" || exit 1; done

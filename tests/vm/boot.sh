#!/usr/bin/env bash
# Boots Debian's own kernel for ARCH (amd64 or arm64) under QEMU with a busybox initramfs made
# here, runs GUEST_SCRIPT in it as root and powers off. The guest sees this machine's root
# read-only at /host (with its own /dev, /proc and /sys mounted over it, and a tmpfs at /mnt), so
# it runs the programs built here with `chroot /host`; OUT_DIR is shared writable at /out.
# The kernel and busybox come from Debian's archive, unpacked once into ~/.cache/saa1057-panel/vm.
# Usage: boot.sh ARCH GUEST_SCRIPT OUT_DIR "MODULE..." [QEMU_OPTION...]
#   MODULE...: kernel modules the guest script may load with modprobe (with their dependencies).
#   QEMU_OPTION...: e.g. -qmp unix:OUT_DIR/qmp.sock,server=on,wait=off, QEMU's monitor for the
#   host side of a test while the guest runs (-monitor none turns off only the human one).
# Leaves OUT_DIR/console.log (what the guest printed) and OUT_DIR/status (the guest script's exit
# status); exits with that status, or 1 when the guest did not finish within VM_TIMEOUT seconds.
# A guest script may instead hand the machine over to a Debian system (system_guest.sh).
set -euo pipefail
arch=$1 guest_script=$2 out=$3 modules=$4
shift 4
timeout=${VM_TIMEOUT:-150}
cache=${XDG_CACHE_HOME:-$HOME/.cache}/saa1057-panel/vm

case $arch in
  amd64) qemu=(qemu-system-x86_64 -M pc) console=ttyS0 ;;
  arm64) qemu=(qemu-system-aarch64 -M virt -cpu cortex-a57) console=ttyAMA0 ;;
  *) echo "boot.sh: no virtual machine for architecture '$arch'" >&2; exit 2 ;;
esac

fail() { echo "boot.sh: $*" >&2; exit 1; }

# Downloads Debian's PACKAGE for $arch and unpacks it into DIR, unless done before.
unpack() {
  local package=$1 dir=$2 download
  [ -e "$dir/.unpacked" ] && return
  download=$(mktemp -d)
  chmod 755 "$download"
  (cd "$download" && apt-get download -q "$package:$arch" >/dev/null 2>&1) ||
    fail "cannot download $package:$arch from Debian's archive (for arm64: make build-arm64 adds the architecture to dpkg)"
  rm -rf "$dir" && mkdir -p "$dir"
  dpkg-deb -x "$download"/*.deb "$dir"
  rm -rf "$download"
  touch "$dir/.unpacked"
}

# The versioned kernel package that Debian's linux-image-ARCH points to today.
kernel_package=$(apt-cache depends "linux-image-$arch:$arch" 2>/dev/null |
  awk '$1 == "Depends:" && $2 ~ /^linux-image-/ { sub(/:.*/, "", $2); print $2; exit }')
[ -n "$kernel_package" ] || fail "Debian's archive names no kernel for $arch (apt-get update?)"
mkdir -p "$cache"
exec 9>"$cache/.lock"
flock 9
kernel_dir=$cache/$kernel_package
unpack "$kernel_package" "$kernel_dir"
unpack busybox-static "$cache/busybox-$arch"
release=$(ls "$kernel_dir/lib/modules")
[ -e "$kernel_dir/lib/modules/$release/modules.dep" ] || depmod -b "$kernel_dir" "$release"
flock -u 9

# The initramfs: busybox, the modules asked for with what they need, an init, the guest script.
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
mkdir -p "$root"/{bin,dev,proc,sys,host,out,lib/modules/"$release"}
cp "$cache/busybox-$arch/bin/busybox" "$root/bin/"
cp "$kernel_dir/lib/modules/$release/modules.dep" "$root/lib/modules/$release/"
# 9p over virtio for the shared folders, PCI for its transport.
for module in 9p 9pnet_virtio virtio_pci $modules; do
  line=$(grep -E "(^|/)${module//_/[-_]}\.ko:" "$kernel_dir/lib/modules/$release/modules.dep") ||
    fail "$kernel_package has no module $module"
  for file in ${line/:/}; do
    mkdir -p "$root/lib/modules/$release/$(dirname "$file")"
    cp "$kernel_dir/lib/modules/$release/$file" "$root/lib/modules/$release/$file"
  done
done
cp "$guest_script" "$root/guest.sh"
cat >"$root/init" <<'EOF'
#!/bin/busybox sh
/bin/busybox --install -s /bin
mount -t proc proc /proc && mount -t sysfs sys /sys && mount -t devtmpfs dev /dev
for module in 9p 9pnet_virtio virtio_pci; do modprobe $module; done
mount -t 9p -o trans=virtio,version=9p2000.L,ro host /host
mount -t 9p -o trans=virtio,version=9p2000.L out /out
mount -t devtmpfs dev /host/dev && mount -t proc proc /host/proc && mount -t sysfs sys /host/sys
# A writable place inside the chroot, and the guest's busybox there for what runs in it (the
# host's shell may be of another architecture). The host's /tmp stays: builds may live there.
mount -t tmpfs mnt /host/mnt && cp /bin/busybox /host/mnt/
ip link set lo up
echo "guest: up, running its script"
sh /guest.sh >/out/guest.log 2>&1
status=$?
# A guest script that mounted a whole system at /sysroot, /out moved into it, boots it: its
# init runs as PID 1 from there on, and the system writes the status itself.
if [ "$status" = 0 ] && [ -L /sysroot/sbin/init ]; then exec switch_root /sysroot /sbin/init; fi
echo $status >/out/status
echo "guest: done, status $(cat /out/status)"
sync
poweroff -f
EOF
chmod 755 "$root/init"
(cd "$root" && find . | cpio -o -H newc --quiet | gzip -1) >"$out/initramfs.gz"

rm -f "$out/status"
status=0
timeout "$timeout" "${qemu[@]}" -accel tcg -m 1024 -smp 1 -no-reboot -display none -nic none \
  -monitor none -serial "file:$out/console.log" \
  -kernel "$kernel_dir/boot/vmlinuz-$release" -initrd "$out/initramfs.gz" \
  -append "console=$console panic=-1 quiet" \
  -virtfs local,path=/,mount_tag=host,security_model=none,readonly=on,multidevs=remap \
  -virtfs "local,path=$out,mount_tag=out,security_model=none" "$@" || status=$?
[ "$status" -eq 124 ] && fail "the $arch guest did not finish within $timeout s (boot log: $out/console.log)"
[ -f "$out/status" ] || fail "the $arch guest ended without running its script (QEMU status $status; boot log: $out/console.log)"
exit "$(cat "$out/status")"

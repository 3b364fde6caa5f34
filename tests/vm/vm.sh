# The virtual-machine tests' one harness. A test script (TEST.sh PROGRAM) defines guest(), the
# steps it takes inside, and sources this file, then checks what the guest left. boot() boots
# Debian's own kernel under QEMU with a busybox initramfs made here, whose init runs the test
# script again as `TEST.sh guest`: this file's first half then gives guest() its helpers and runs
# it. The guest sees this machine's root read-only at /host (its own /dev, /proc and /sys mounted
# over it, a tmpfs at /mnt), so it runs the programs built here with `chroot /host`; the test's
# folder $out is shared writable at /out, kept with the boot log when a check fails. The kernels
# and busybox come from Debian's archive, unpacked once into ~/.cache/saa1057-panel/vm.
#
# The guest's half runs under busybox sh, which reads no further than its exit.
if [ "${1:-}" = guest ]; then
  . /out/env
  . "/host$vm/../support/wait.sh"
  # The panel keeps its state as it runs: on the guest's tmpfs, the host's root being read-only.
  export XDG_STATE_HOME=/mnt/state
  # Hamlib's rigctl at the panel's rigctld; answers(), whether the panel serves it yet.
  rigctl() { chroot /host rigctl -m 2 -r 127.0.0.1:4532 "$@"; }
  answers() { rigctl f 2>/dev/null | grep -q '^[0-9]'; }
  # Each case NAME leaves its standard output in /out/NAME.out, its standard error and then its
  # exit status in /out/NAME.
  case_of() {  # NAME COMMAND...: runs COMMAND in the foreground, for $limit s (30) at most
    local name=$1; shift
    timeout "${limit:-30}" "$@" >"/out/$name.out" 2>"/out/$name"
    echo "status $?" >>"/out/$name"
  }
  # NAME OPTION...: the panel headless with rigctld in the background, until it answers; $pid is
  # the panel's own (busybox's chroot execs it).
  serve() {
    local name=$1; shift
    chroot /host "$program" --headless --rigctld "$@" >"/out/$name.out" 2>"/out/$name" &
    pid=$!
    wait_for 600 --while "$pid" answers || echo "$name: did not start within 60 s"
  }
  # NAME OPTION...: the panel as nobody, whom the devices do not admit. Nobody runs a copy on the
  # guest's tmpfs: the folder it was built in may admit its owner alone.
  as_nobody() {
    local name=$1; shift
    cp "/host$program" /host/mnt/saa1057-panel || echo "$name: no copy of the panel for nobody"
    case_of "$name" chroot /host /mnt/busybox start-stop-daemon -S -c 65534:65534 \
      -x /mnt/saa1057-panel -- "$@"
  }
  stop() { kill -TERM "$pid"; ended "$1"; }  # NAME: SIGTERM to the panel started last
  ended() {  # NAME: the panel started last ends (within 30 s, or is killed)
    wait_for 300 gone || { kill -KILL "$pid"; echo "$1: did not end within 30 s, killed"; }
    wait "$pid"
    echo "status $?" >>"/out/$1"
  }
  # SCRIPT: hands the machine over to the Debian system on the virtual disk (debian_system), whose
  # systemd runs SCRIPT (a path on this machine) under bash once the system is up, its output in
  # /out/guest.log, its exit status in /out/status, and powers off. The system has no kernel
  # modules of its own: every one that boot() was given is loaded here.
  boot_system() {
    find /lib/modules -name '*.ko' -exec basename {} .ko \; | xargs -n 1 modprobe || exit 1
    wait_for 100 [ -b /dev/vda ]
    mkdir -p /sysroot && mount -t ext4 /dev/vda /sysroot || exit 1
    units=/sysroot/etc/systemd/system
    cat >"$units/guest-script.service" <<EOF
[Service]
Type=oneshot
TimeoutStartSec=infinity
ExecStart=/bin/sh -c 'bash /host$1 >/out/guest.log 2>&1; echo \$\$? >/out/status; sync; systemctl poweroff --force --force'
EOF
    mkdir -p "$units/multi-user.target.wants" /sysroot/host /sysroot/out
    ln -s ../guest-script.service "$units/multi-user.target.wants/guest-script.service"
    # /dev, /proc and /sys move into the system, as an initramfs's do; the init boots it.
    for mount in /host/dev /host/proc /host/sys /host/mnt; do umount "$mount" || exit 1; done
    for mount in /host /out /dev /proc /sys; do mount -o move "$mount" "/sysroot$mount" || exit 1; done
  }
  guest
  exit
fi

set -u
program=$(realpath "$1")
vm=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$vm/../app/board_checks.sh"
cache=${XDG_CACHE_HOME:-$HOME/.cache}/saa1057-panel/vm
out=$(mktemp -d "${TMPDIR:-/tmp}/saa1057-panel-vm.XXXXXX")
# On a failure, the guest's own words first: CI keeps nothing else.
kept() { echo "kept for a look: $out"; tail -n 25 "$out/guest.log" "$out/console.log" 2>/dev/null; }
trap '[ "$failures" -eq 0 ] && rm -rf "$out" || kept' EXIT
export SIGROKDECODE_DIR=$vm/../../sigrok
fail() { echo "vm.sh: $*" >&2; exit 1; }

# ARCH "MODULE..." QEMU_OPTION...: boots the guest for ARCH (amd64 or arm64), which may load each
# MODULE (with what it needs) with modprobe, and runs guest() there; QEMU's options add the test's
# devices and traces. The guest must end within VM_TIMEOUT seconds (300 unless set).
boot() {
  printf 'program=%s\nvm=%s\nscript=%s\n' "$program" "$vm" "$(realpath "$0")" >>"$out/env"
  run_guest "$@"
  check "the $1 guest ran its script" test $? -eq 0
}
run_guest() (
  set -eo pipefail
  arch=$1 modules=$2 timeout=${VM_TIMEOUT:-300}
  shift 2
  case $arch in
    amd64) qemu=(qemu-system-x86_64 -M pc) console=ttyS0 ;;
    arm64) qemu=(qemu-system-aarch64 -M virt -cpu cortex-a57) console=ttyAMA0 ;;
  esac
  # The versioned kernel package that Debian's linux-image-ARCH points to today.
  kernel_package=$(apt-cache depends "linux-image-$arch:$arch" 2>/dev/null |
    awk '$1 == "Depends:" && $2 ~ /^linux-image-/ { sub(/:.*/, "", $2); print $2; exit }')
  [ -n "$kernel_package" ] || fail "Debian's archive names no kernel for $arch (apt-get update?)"
  mkdir -p "$cache"
  exec 9>"$cache/.lock"
  flock 9
  kernel=$cache/$kernel_package
  unpack "$kernel_package" "$kernel"
  unpack busybox-static "$cache/busybox-$arch"
  release=$(ls "$kernel/lib/modules")
  modules_dir=$kernel/lib/modules/$release
  [ -e "$modules_dir/modules.dep" ] || depmod -b "$kernel" "$release"
  flock -u 9

  # The initramfs: busybox, the modules asked for with what they need (9p over virtio for the
  # shared folders, PCI for its transport), the init.
  root=$out/initramfs
  mkdir -p "$root"/{bin,dev,proc,sys,host,out,lib/modules/"$release"}
  cp "$cache/busybox-$arch/bin/busybox" "$root/bin/"
  cp "$modules_dir/modules.dep" "$root/lib/modules/$release/"
  for module in 9p 9pnet_virtio virtio_pci $modules; do
    line=$(grep -E "(^|/)${module//_/[-_]}\.ko:" "$modules_dir/modules.dep") ||
      fail "$kernel_package has no module $module"
    for file in ${line/:/}; do
      mkdir -p "$root/lib/modules/$release/$(dirname "$file")"
      cp "$modules_dir/$file" "$root/lib/modules/$release/$file"
    done
  done
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
. /out/env
echo "guest: up, running its script"
sh "/host$script" guest >/out/guest.log 2>&1
status=$?
# A guest that mounted a whole system at /sysroot (boot_system) boots it: its init runs as PID 1
# from there on, and the system writes the status itself.
if [ "$status" = 0 ] && [ -L /sysroot/sbin/init ]; then exec switch_root /sysroot /sbin/init; fi
echo $status >/out/status
echo "guest: done, status $status"
sync
poweroff -f
EOF
  chmod 755 "$root/init"
  (cd "$root" && find . | cpio -o -H newc --quiet | gzip -1) >"$out/initramfs.gz"
  rm -rf "$root"

  status=0
  timeout "$timeout" "${qemu[@]}" -accel tcg -m 1024 -smp 1 -no-reboot -display none -nic none \
    -monitor none -serial "file:$out/console.log" \
    -kernel "$kernel/boot/vmlinuz-$release" -initrd "$out/initramfs.gz" \
    -append "console=$console panic=-1 quiet" \
    -virtfs local,path=/,mount_tag=host,security_model=none,readonly=on,multidevs=remap \
    -virtfs "local,path=$out,mount_tag=out,security_model=none" "$@" || status=$?
  [ "$status" -ne 124 ] || fail "the $arch guest did not finish within $timeout s"
  [ -f "$out/status" ] || fail "the $arch guest ended without running its script (QEMU status $status)"
  exit "$(cat "$out/status")"
)
# PACKAGE DIR: Debian's PACKAGE for the guest's $arch, unpacked into DIR unless done before.
unpack() {
  local download
  [ -e "$2/.unpacked" ] && return
  download=$(mktemp -d)
  chmod 755 "$download"
  (cd "$download" && apt-get download -q "$1:$arch" >/dev/null 2>&1) ||
    fail "cannot download $1:$arch from Debian's archive (for arm64: make build-arm64 adds the architecture to dpkg)"
  rm -rf "$2" && mkdir -p "$2"
  dpkg-deb -x "$download"/*.deb "$2"
  rm -rf "$download"
  touch "$2/.unpacked"
}

# ARCH PACKAGE...: prints the path of a disk image holding a minimal Debian 12 for ARCH, booted by
# systemd, with udev and the PACKAGEs: made once, by mmdebstrap from this machine's apt sources,
# into an ext4 image in the cache named after what it holds (an image for other packages is
# removed). QEMU opens it with snapshot=on, so every boot starts from the same system.
debian_system() (
  arch=$1
  shift
  packages=$(printf '%s\n' systemd-sysv udev "$@" | sort -u | paste -sd,)
  image=$cache/debian-12-$arch-$(sha256sum <<<"$packages" | cut -c1-16).ext4
  mkdir -p "$cache"
  exec 9>"$cache/.system-lock"
  flock 9
  if [ ! -e "$image" ]; then
    rm -f "$cache/debian-12-$arch-"*.ext4
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    # The sources of this machine's apt (Debian 12's own archive, or its mirror).
    mapfile -t sources < <(find /etc/apt/sources.list /etc/apt/sources.list.d -maxdepth 1 -size +0 \
      \( -name '*.list' -o -name '*.sources' \) 2>/dev/null)
    echo "debian_system: making Debian 12 for $arch with $packages (once)" >&2
    mmdebstrap --quiet --variant=minbase --architectures="$arch" --include="$packages" \
      --format=tar bookworm "$work/system.tar" "${sources[@]}" </dev/null >&2 || exit 1
    # Unpacked and imaged under fakeroot, which keeps the owners without root.
    mkdir "$work/system"
    truncate --size=2G "$work/system.ext4"
    fakeroot sh -c 'tar -xf "$1/system.tar" -C "$1/system" &&
      mke2fs -q -t ext4 -L debian -d "$1/system" "$1/system.ext4"' sh "$work" >&2 || exit 1
    mv "$work/system.ext4" "$image"
  fi
  echo "$image"
)

# KIND TRACE...: the words that the recorded lines carried (bus_lines.py), as our sigrok decoder
# reads them, in $out/decoded (its complaints: decoded.err).
bus_words() {
  python3 -B "$vm/bus_lines.py" "$out/lines.vcd" "$@"
  sigrok-cli -I vcd -i "$out/lines.vcd" -P saa1057 -A saa1057=words:warnings \
    >"$out/decoded" 2>"$out/decoded.err"
}
# NAME: the verdict. Each "== FILE" of expected/NAME.txt, up to the next, is what $out/FILE must
# hold (blank lines and "#" comments aside; @VERSION@ stands for $version).
check_expected() {
  local expected=$vm/expected/$1.txt file
  for file in $(sed -n 's/^== //p' "$expected"); do
    check "$file: as expected/$1.txt says" diff -u --label expected --label found \
      <(sed -n "/^== $file\$/,/^== /{/^==\|^#\|^\$/!p}" "$expected" |
        sed "s/@VERSION@/${version:-}/") "$out/$file"
  done
  finish "$1"
}

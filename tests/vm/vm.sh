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
  # NAME PORT [SECOND_PORT]: the panel on PORT, tuned to 100 MHz by rigctl, its answer in
  # /out/NAME.f, while a second panel is refused PORT (or SECOND_PORT).
  held() {
    serve "$1" --port "$2"
    case_of second chroot /host "$program" --headless --port "${3:-$2}"
    rigctl F 100000000
    rigctl f >"/out/$1.f"
    stop "$1"
  }
  guest
  exit
fi

set -u
program=$(realpath "$1")
vm=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$vm/../app/board_checks.sh"
cache=${XDG_CACHE_HOME:-$HOME/.cache}/saa1057-panel/vm
mkdir -p "$cache"
out=$(mktemp -d "${TMPDIR:-/tmp}/saa1057-panel-vm.XXXXXX")
# On a failure, the guest's own words first: CI keeps nothing else.
kept() { echo "kept for a look: $out"; tail -n 25 "$out/guest.log" "$out/console.log" 2>/dev/null; }
trap '[ "$failures" -eq 0 ] && rm -rf "$out" || kept' EXIT
export SIGROKDECODE_DIR=$vm/../../sigrok
fail() { echo "vm.sh: $*" >&2; exit 1; }

# ARCH "MODULE..." QEMU_OPTION...: boots the guest for ARCH (amd64 or arm64), which may load each
# MODULE (with what it needs) with modprobe, and runs guest() there; QEMU's options add the test's
# devices and traces. The guest must end within VM_TIMEOUT seconds (300 unless set); the status
# of its script, in $out/status, is the expected files' to check.
boot() (
  set -eo pipefail
  arch=$1 modules=$2 timeout=${VM_TIMEOUT:-300}
  shift 2
  printf 'program=%s\nvm=%s\nscript=%s\n' "$program" "$vm" "$(realpath "$0")" >>"$out/env"
  [ "$arch" = amd64 ] && qemu=(qemu-system-x86_64 -M pc) console=ttyS0 ||
    qemu=(qemu-system-aarch64 -M virt -cpu cortex-a57) console=ttyAMA0
  # The versioned kernel package that Debian's linux-image-ARCH points to today.
  kernel_package=$(apt-cache depends "linux-image-$arch:$arch" 2>/dev/null |
    awk '$1 == "Depends:" && $2 ~ /^linux-image-/ { sub(/:.*/, "", $2); print $2; exit }')
  [ -n "$kernel_package" ] || fail "Debian's archive names no kernel for $arch (apt-get update?)"
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
    (cd "$modules_dir" && cp --parents ${line/:/} "$root/lib/modules/$release/")
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
sh "/host$script" guest >/out/guest.log 2>&1
status=$?
# A guest that mounted a whole system at /sysroot (lifecycle_test.sh) boots it: its init runs as PID 1
# from there on, and the system writes the status itself.
if [ "$status" = 0 ] && [ -L /sysroot/sbin/init ]; then exec switch_root /sysroot /sbin/init; fi
echo $status >/out/status
sync
poweroff -f
EOF
  chmod 755 "$root/init"
  (cd "$root" && find . | cpio -o -H newc --quiet | gzip -1) >"$out/initramfs.gz"

  timeout "$timeout" "${qemu[@]}" -accel tcg -m 1024 -smp 1 -no-reboot -display none -nic none \
    -monitor none -serial "file:$out/console.log" \
    -kernel "$kernel/boot/vmlinuz-$release" -initrd "$out/initramfs.gz" \
    -append "console=$console panic=-1 quiet" \
    -virtfs local,path=/,mount_tag=host,security_model=none,readonly=on,multidevs=remap \
    -virtfs "local,path=$out,mount_tag=out,security_model=none" "$@" || true
  [ -f "$out/status" ] || fail "the $arch guest ended without running its script (within $timeout s?)"
)
# PACKAGE DIR: Debian's PACKAGE for the guest's $arch, unpacked into DIR unless done before.
unpack() {
  [ -e "$2/.unpacked" ] && return
  rm -rf "$2" && mkdir -p "$2/download" &&
    (cd "$2/download" && apt-get download -q "$1:$arch" >/dev/null 2>&1) ||
    fail "cannot download $1:$arch from Debian's archive (for arm64: make build-arm64 adds the architecture to dpkg)"
  dpkg-deb -x "$2"/download/*.deb "$2" && rm -r "$2/download" && touch "$2/.unpacked"
}

# KIND TRACE...: the words that the recorded lines carried (bus_lines.py), as our sigrok decoder
# reads them, an event a microsecond, in $out/decoded (its complaints: decoded.err).
bus_words() {
  python3 -B "$vm/bus_lines.py" "$@" >"$out/lines"
  sigrok-cli -I binary:numchannels=3:samplerate=1000000 -i "$out/lines" \
    -P saa1057:clb=0:data=1:dlen=2 -A saa1057=words:warnings >"$out/decoded" 2>"$out/decoded.err"
}
# NAME: the verdict. Each "== FILE" of expected/NAME.txt, up to the next, is what $out/FILE must
# hold (blank lines and "#" comments aside).
check_expected() {
  local expected=$vm/expected/$1.txt file
  for file in $(sed -n 's/^== //p' "$expected"); do
    check "$file: as expected/$1.txt says" diff -u --label expected --label found \
      <(sed -n "/^== $file\$/,/^== /{/^==\|^#\|^\$/!p}" "$expected") "$out/$file"
  done
  finish "$1"
}

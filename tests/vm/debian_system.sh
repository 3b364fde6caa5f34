#!/usr/bin/env bash
# Prints the path of a disk image holding a minimal Debian 12 for ARCH, booted by systemd, with
# udev and the PACKAGEs given: made once, by mmdebstrap from this machine's apt sources, into an
# ext4 image in ~/.cache/saa1057-panel/vm named after what it holds (an image for other packages
# is removed). QEMU opens it with snapshot=on, so every boot starts from the same system.
# Usage: debian_system.sh ARCH PACKAGE...
set -euo pipefail
arch=$1
shift
cache=${XDG_CACHE_HOME:-$HOME/.cache}/saa1057-panel/vm
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
  sources=()
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
    if [ -s "$file" ]; then sources+=("$file"); fi
  done
  echo "debian_system: making Debian 12 for $arch with $packages (once)" >&2
  mmdebstrap --quiet --variant=minbase --architectures="$arch" --include="$packages" \
    --format=tar bookworm "$work/system.tar" "${sources[@]}" </dev/null >&2
  # Unpacked and imaged under fakeroot, which keeps the owners without root.
  mkdir "$work/system"
  truncate --size=2G "$work/system.ext4"
  fakeroot sh -c 'tar -xf "$1/system.tar" -C "$1/system" &&
    mke2fs -q -t ext4 -L debian -d "$1/system" "$1/system.ext4"' sh "$work" >&2
  mv "$work/system.ext4" "$image"
fi
echo "$image"

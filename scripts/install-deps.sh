#!/usr/bin/env bash
# Installs the Debian packages that a make target needs and this machine lacks.
# Usage: scripts/install-deps.sh GROUP...   (groups: build test tools browser fuzz bench
#        windows windows-qt windows-package screenshot package package-vm vm, and a Debian
#        architecture to cross-build for, such as arm64)
set -euo pipefail

packages_for() {
  case "$1" in
    build) echo "cmake make g++ ccache qt6-base-dev qt6-svg-dev libboost1.81-dev libgl-dev libftdi1-dev
      fonts-liberation2 fonts-dejavu-core" ;;
    test) echo "libgtest-dev libgmock-dev libbenchmark-dev" ;;
    tools) echo "sigrok-cli gtkwave xvfb xauth xdotool x11-utils imagemagick unzip libhamlib-utils
      python3 python3-hamlib netcat-openbsd strace dbus at-spi2-core python3-pyatspi
      matchbox-window-manager" ;;
    browser) echo "chromium chromium-driver python3-selenium nginx openssl orca" ;;
    fuzz) echo "clang libclang-rt-dev" ;;
    bench) echo "libbenchmark-dev libhamlib-utils python3 chromium chromium-driver python3-selenium" ;;
    windows) echo "cmake make ccache g++-mingw-w64-x86-64-posix libboost1.81-dev googletest wine wine64 librsvg2-bin icoutils" ;;
    windows-package) echo "nsis" ;;
    windows-qt) echo "cmake ninja-build perl dpkg-dev g++-mingw-w64-x86-64-posix qt6-base-dev qt6-base-dev-tools" ;;
    screenshot) echo "xvfb xauth x11-utils imagemagick pulseview sigrok-cli chromium chromium-driver
      python3-selenium" ;;
    package) echo "dpkg-dev debhelper lintian desktop-file-utils appstream man-db systemd" ;;
    # The package's life cycle in a Debian 12 system that mmdebstrap makes (with the vm group).
    package-vm) echo "mmdebstrap fakeroot e2fsprogs" ;;
    vm) echo "qemu-system-x86 qemu-system-arm busybox-static cpio kmod python3 sigrok-cli
      libhamlib-utils" ;;
    *) cross_packages "$1" ;;
  esac
}
# A Debian architecture: its compiler, named by its GNU type, and the window too: Debian's Qt for
# it installs beside this machine's (Multi-Arch: same). libftdi1-dev cannot: the target's
# library, this machine's header.
cross_packages() {
  local triplet
  if ! triplet=$(dpkg-architecture -a "$1" -qDEB_HOST_GNU_TYPE 2>/dev/null); then
    echo "install-deps: unknown group '$1' (for a Debian architecture, install dpkg-dev)" >&2
    exit 2
  fi
  echo "cmake make ccache g++-$triplet qemu-user googletest qt6-base-dev:$1 qt6-svg-dev:$1
    libboost1.81-dev libgl-dev:$1 libftdi1-dev libftdi1-2:$1 libusb-1.0-0-dev:$1"
}

# Make targets run in parallel (make -j test) each ask for their groups: one install at a time.
exec 9>"${TMPDIR:-/tmp}/saa1057-panel-install-deps.lock"
flock 9

missing=()
for group in "$@"; do
  for package in $(packages_for "$group"); do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$package")
    fi
  done
done
[ ${#missing[@]} -eq 0 ] && exit 0

if ! command -v apt-get >/dev/null; then
  echo "install-deps: missing ${missing[*]}, and this is not a Debian system: install them by hand" >&2
  exit 1
fi
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "install-deps: need root or sudo to install ${missing[*]}" >&2; exit 1; }
  sudo="sudo"
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# Packages of another architecture (qt6-base-dev:arm64) need it added to dpkg first.
for package in "${missing[@]}"; do
  case $package in
    *:*) architecture=${package#*:}
      dpkg --print-foreign-architectures | grep -qx "$architecture" ||
        $sudo dpkg --add-architecture "$architecture" ;;
  esac
done
stage="$(dirname "$0")/stage.sh"
"$stage" begin "Packages: $*"
$sudo apt-get update -q -o DPkg::Lock::Timeout=600
$sudo apt-get install -y -q --no-install-recommends -o DPkg::Lock::Timeout=600 "${missing[@]}"
"$stage" end "Packages: $*"

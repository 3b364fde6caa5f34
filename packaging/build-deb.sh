#!/usr/bin/env bash
# Builds the .deb as Debian does, with dpkg-buildpackage and debhelper (debian/), in a copy of
# the tree at BUILD_DIR/saa1057-panel: dpkg-buildpackage leaves the package in the parent folder
# of the tree it builds, which is BUILD_DIR then, never the one above the checkout. The copy is
# made anew each time, the files git knows or would add (changes not yet committed too), with
# their times, beside the CMake build that the last run left, so that only what changed is
# compiled again.
# Usage: build-deb.sh BUILD_DIR [ARCHITECTURE]   (Debian's name; this machine's unless given)
# SAA_WERROR=ON makes warnings errors; JOBS is the number of jobs (all processors by default).
set -euo pipefail
build=$(mkdir -p "$1" && cd "$1" && pwd)
architecture=${2:-$(dpkg --print-architecture)}
copy=$build/saa1057-panel
cd "$(dirname "$0")/.."

mkdir -p "$copy"
find "$copy" -mindepth 1 -maxdepth 1 ! -name 'obj-*' -exec rm -rf {} +
git ls-files -z --cached --others --exclude-standard |
  while IFS= read -r -d '' file; do
    if [ -e "$file" ] || [ -L "$file" ]; then printf '%s\0' "$file"; fi  # not deleted
  done | tar --null --files-from=- -cf - | tar -xf - -C "$copy"

rm -f "$build"/saa1057-panel_* "$build"/saa1057-panel-dbgsym_*
options=(--build=binary --no-pre-clean --no-sign --jobs-try="${JOBS:-auto}")
if [ "$architecture" != "$(dpkg --print-architecture)" ]; then
  # Debian's cross compiler, and no tests (make check runs them under qemu-user).
  triplet=$(dpkg-architecture --host-arch "$architecture" --query DEB_HOST_GNU_TYPE 2>/dev/null)
  export CC=$triplet-gcc CXX=$triplet-g++ DEB_BUILD_OPTIONS="nocheck ${DEB_BUILD_OPTIONS:-}"
  options+=(--host-arch="$architecture" --build-profiles=cross,nocheck)
fi
cd "$copy"
dpkg-buildpackage "${options[@]}"

#!/usr/bin/env bash
# Builds Qt for 64-bit Windows from Debian's own qt6-base source package, once per machine, and
# prints where it is installed. Debian ships no Qt for mingw-w64; the host's Qt tools (moc, rcc,
# uic) of the same version do the build-time work.
# Usage: scripts/build-qt-windows.sh     (progress on standard error, the prefix on standard output)
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
toolchain="$here/cmake/mingw-w64-x86_64.cmake"

"$here/scripts/install-deps.sh" windows-qt
# Where the host's Qt tools are, as the cross toolchains find them.
host_options=$(cmake -P "$here/cmake/qt-host.cmake")
mapfile -t qt_host <<<"$host_options"

# The target Qt must be the host tools' version exactly: take the source of the installed package,
# this machine's own (Qt for arm64 may be installed beside it).
debian_version="$(dpkg-query -W -f='${source:Version}' "qt6-base-dev:$(dpkg --print-architecture)")"
upstream_version="${debian_version%%+*}"

# The smallest Qt the program and its tests need: Core, Gui, Widgets, Network, Test, the windows
# platform plugin and the Windows styles.
options=(
  -DCMAKE_BUILD_TYPE=Release
  -DBUILD_SHARED_LIBS=ON
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
  # Cross-building: moc, rcc and uic come from the host's Qt of the same version.
  "${qt_host[@]}"
  -DQT_QMAKE_TARGET_MKSPEC=win32-g++
  # The toolchain file links our own programs statically; Qt's DLLs use the shared runtime,
  # shipped beside them.
  -DCMAKE_EXE_LINKER_FLAGS= -DCMAKE_SHARED_LINKER_FLAGS=
  # -no-opengl: FEATURE_opengl=OFF alone leaves dynamic OpenGL on, and the platform plugin then
  # fails to compile.
  -DINPUT_opengl=no
  # Debian's dfsg source drops wintab.h, which tablet support needs.
  -DFEATURE_tabletevent=OFF
  # What the panel does not use.
  -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF
  -DFEATURE_printsupport=OFF -DFEATURE_vulkan=OFF -DFEATURE_jpeg=OFF -DFEATURE_zstd=OFF
  # Windows renders fonts itself (DirectWrite; Direct2D stays on, its absence breaks the link),
  # and TLS would come from Schannel: no FreeType, no OpenSSL.
  -DFEATURE_freetype=OFF -DFEATURE_openssl=OFF
  # Nothing of the host's: no pkg-config, the bundled zlib, PCRE2, libpng, HarfBuzz.
  -DFEATURE_pkg_config=OFF -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF
  -DFEATURE_system_png=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_doubleconversion=OFF
)

key="$( { echo "$debian_version"; printf '%s\n' "${options[@]}"; cat "$toolchain"; } |
  sha256sum | cut -c1-10)"
cache="${XDG_CACHE_HOME:-$HOME/.cache}/saa1057-panel"
prefix="$cache/qt-$upstream_version-mingw64-$key"
mkdir -p "$cache"

# Parallel make targets wait for one build rather than start a second.
exec 8>"$cache/qt-mingw64.lock"
flock 8
if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi

work="$prefix.build"
log="$prefix.log"
rm -rf "$work" "$prefix"
mkdir -p "$work"
say() { echo "build-qt-windows: $*" >&2; }
fail() {
  say "$1; the last lines of $log:"
  tail -n 30 "$log" >&2
  exit 1
}
say "Qt $debian_version for Windows is not in $cache yet: building it once (about 15 minutes" \
  "on two cores; log in $log)"
: >"$log"

# Debian's source package, from the deb-src twins of this machine's own apt sources, fetched with
# a private apt state so that the system's configuration is left alone.
apt="$work/apt"
mkdir -p "$apt/sources.list.d" "$apt/lists/partial" "$apt/cache/archives/partial"
for f in /etc/apt/sources.list.d/*.sources; do
  [ -e "$f" ] && sed -E 's/^Types:.*/Types: deb-src/' "$f" >"$apt/sources.list.d/$(basename "$f")"
done
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
  [ -e "$f" ] && sed -nE 's/^deb[[:space:]]/deb-src /p' "$f" >>"$apt/sources.list.d/system.list"
done
apt_options=(-o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$apt/sources.list.d"
  -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache" -o "Debug::NoLocking=1")
apt-get "${apt_options[@]}" update >>"$log" 2>&1 || fail "apt-get update of the source lists failed"
(cd "$work" && apt-get "${apt_options[@]}" source --download-only "qt6-base=$debian_version") \
  >>"$log" 2>&1 || fail "fetching Debian's qt6-base $debian_version source package failed"
# dpkg-source applies Debian's patches.
dpkg-source -x "$work"/qt6-base_*.dsc "$work/src" >>"$log" 2>&1 ||
  fail "unpacking the qt6-base source package failed"

"$here/scripts/stage.sh" begin "Qt for Windows (built)"
start=$SECONDS
cmake -G Ninja -S "$work/src" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_INSTALL_PREFIX="$prefix" "${options[@]}" >>"$log" 2>&1 || fail "configuring Qt failed"
say "configured in $((SECONDS - start)) s; compiling"

# Ninja's "[done/total]" lines become a line every five percent.
progress() {
  local line shown=0 percent
  while IFS= read -r line; do
    printf '%s\n' "$line" >>"$log"
    [[ $line =~ ^\[([0-9]+)/([0-9]+)\] ]] || continue
    percent=$((100 * BASH_REMATCH[1] / BASH_REMATCH[2]))
    if ((percent >= shown + 5)); then
      shown=$((percent - percent % 5))
      say "$shown% (${BASH_REMATCH[1]} of ${BASH_REMATCH[2]} steps, $(((SECONDS - start) / 60)) min)"
    fi
  done
}
NINJA_STATUS="[%f/%t] " cmake --build "$work/build" -j"$(nproc)" 2>&1 | progress ||
  fail "compiling Qt failed"
cmake --install "$work/build" >>"$log" 2>&1 || fail "installing Qt into $prefix failed"

printf '%s\n' "qt6-base $debian_version" "${options[@]}" >"$prefix/configure-options.txt"
touch "$prefix/.complete"
rm -rf "$work"
"$here/scripts/stage.sh" end "Qt for Windows (built)"
say "Qt built in $(((SECONDS - start) / 60)) min, installed in $prefix"
echo "$prefix"

#!/usr/bin/env bash
# The Windows package as a user meets it, under Wine on a virtual X server: the installer run
# silently, the installed panel's window painted and clicked, tuned by Hamlib's rigctl from the
# Linux side, its trace read by our sigrok decoder, the portable zip, and the uninstaller. The
# port libraries, the layout and the command line the build's own tests check under Wine.
# Usage: tests/windows/installer_test.sh INSTALLER.exe PORTABLE.zip
set -u
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/virtual-desktop.sh"
[ -n "${INSTALLER_TEST_DISPLAY:-}" ] ||
  { INSTALLER_TEST_DISPLAY=1 on_virtual_screen "$0" "$@"; exit; }
installer=$(realpath "$1") zip=$(realpath "$2")
source "$here/../app/board_checks.sh"
data=$here/../data
dir=$(mktemp -d)
pid=""
export WINEPREFIX=$dir/prefix
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; wineserver -k 2>/dev/null; rm -rf "$dir"' EXIT

# A control's rectangle in the client area, in pixels, from the hand-written window file:
# "left top width height", its frame's offset added (the frames lie in the window itself).
rect() {
  awk -F' [|] ' -v name="$1" '
    { place[$1] = $4; frame[$1] = $3 }
    END {
      split(place[name], r, " "); split(place[frame[name]], o, " ")
      print r[1] + o[1], r[2] + o[2], r[3], r[4]
    }' <(grep -v '^# ' "$data/window.txt")
}
# Clicks the middle of a control, or with a third argument the point that far in from its right
# edge (a scroll bar's arrow).
click() {
  local x y w h
  read -r x y w h < <(rect "$1")
  local px=$((origin_x + x + w / 2)) py=$((origin_y + y + h / 2))
  [ -n "${2:-}" ] && px=$((origin_x + x + w - $2))
  xdotool mousemove --sync "$px" "$py" click 1
}
# Whether both word boxes are their red (#ff8080) on the screen where the layout puts them, inside
# the frame of up to 3 pixels that the style draws: the window may be mapped, and placed, a while
# before it is first painted. Sets origin_x and origin_y.
both_boxes_painted() {
  eval "$(xdotool getwindowgeometry --shell "$window")"
  origin_x=$X origin_y=$Y
  import -window root "$dir/screen.png"
  local box x y w h
  for box in txtA txtB; do
    read -r x y w h < <(rect "$box")
    convert "$dir/screen.png" -format "%[hex:p{$((X + x + 4)),$((Y + y + 4))}]" info: |
      grep -qx FF8080 || return 1
  done
}
answers() { test "$(rigctl -m 2 -r "127.0.0.1:$port" f 2>/dev/null)" = "$1"; }
find_window() { window=$(xdotool search --onlyvisible --name 'SAA1057' | head -n 1); [ -n "$window" ]; }
uninstall_entry() {  # Windows' list of programs' entry for the panel
  wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\saa1057-panel' "$@" 2>/dev/null
}

echo "installer test: making a Wine prefix"
wineboot -i >/dev/null 2>&1
wine "$installer" /S >"$dir/install.log" 2>&1 ||
  { echo "FAILED: the silent installer ends with an error:"; cat "$dir/install.log"; exit 1; }
installed="$WINEPREFIX/drive_c/Program Files/SAA1057 Panel"
program="$installed/saa1057-panel.exe"
check "the installer puts the program, its runtime and licences in place, and no port library" \
  diff -u <(grep -v '^#' "$data/windows_installed.txt") \
  <(cd "$installed" && find . -type f | LC_ALL=C sort)
shortcut=$(find "$WINEPREFIX/drive_c" -name 'SAA1057 Panel.lnk' | head -n 1)
check "a Start-menu entry starts the program" grep -qa 'saa1057-panel.exe' "$shortcut"
# Resource type 14 is a group icon: Explorer's and the Start menu's picture of the program.
x86_64-w64-mingw32-objdump -p "$program" >"$dir/headers"
check "the program carries its icon" grep -Eq '^[0-9a-f]+   Entry: ID: 0x00000e' "$dir/headers"
check "the program is a window program: no console window opens with it" \
  grep -q '^Subsystem.*(Windows GUI)' "$dir/headers"
check "Windows' list of programs knows the version" \
  grep -q '0[.]1[.]0' <(uninstall_entry /v DisplayVersion)

# The window, clicked and tuned; its trace read by the decoder.
trace_windows=$(winepath -w "$dir/bus.vcd")
serve_rigctld "$dir/err" wine "$program" --simulate --trace "$trace_windows" >"$dir/out"
check "the installed program answers rigctl after start-up (it answered '$first_answer')" \
  test "$first_answer" = 106200000
check "its window appears" wait_for 100 find_window
if [ -n "$window" ]; then
  check "txtA and txtB are painted red where the layout puts them" wait_for 100 both_boxes_painted
  rigctl -m 2 -r "127.0.0.1:$port" F 100000000
  click hscDiv 6
  check "a click on the divider's right arrow tunes 100 kHz up" wait_for 50 answers 100100000
  click cmdSend
  sleep 1
  xdotool key alt+F4
  wait_for 100 gone || { kill "$pid"; sleep 1; }
  wait "$pid"
  check "closing the window ends the program with 0" test $? -eq 0
  pid=""
  check "the program's trace decodes to the expected words" diff -u \
    <(grep -v '^# ' "$here/session.words") \
    <(SIGROKDECODE_DIR="$here/../../sigrok" sigrok-cli -I vcd:compress=1000 -i "$dir/bus.vcd" -P saa1057 \
        -A saa1057=words 2>&1 | sed 's/^[0-9]*-[0-9]* //')
fi

# The portable zip: the same folder, runnable where it is unpacked.
mkdir "$dir/portable"
(cd "$dir/portable" && unzip -q "$zip")
check "the zip's one folder holds what the installer installs" diff \
  <(grep -v -e '^#' -e Uninstall.exe "$data/windows_installed.txt") \
  <(cd "$dir/portable"/* && find . -type f | LC_ALL=C sort)
wine "$dir/portable"/*/saa1057-panel.exe --version >"$dir/out" 2>&1
check "the unpacked program runs" grep -q '^saa1057-panel 0[.]1[.]0' "$dir/out"

# The uninstaller copies itself and goes on in the background: each trace of the program may
# still be there for a while when the command returns.
wine "$installed/Uninstall.exe" /S >/dev/null 2>&1
check "the uninstaller removes the program" wait_for 300 test ! -e "$installed"
check "the uninstaller removes the Start-menu entry" wait_for 300 test ! -e "$shortcut"
check "the uninstaller removes the entry in Windows' list of programs" \
  wait_for 300 eval '! uninstall_entry >/dev/null'
finish

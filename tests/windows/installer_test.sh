#!/usr/bin/env bash
# The Windows package as a user meets it, under Wine on a virtual X server: the installer run
# silently, the installed panel's window measured and clicked, tuned by Hamlib's rigctl from the
# Linux side, its trace read by our sigrok decoder, the port library's writes through a stand-in,
# the portable zip, and the uninstaller.
# Usage: tests/windows/installer_test.sh INSTALLER.exe PORTABLE.zip STAND_IN_INPOUTX64.dll
set -u
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/virtual-desktop.sh"
if [ -z "${INSTALLER_TEST_DISPLAY:-}" ]; then
  INSTALLER_TEST_DISPLAY=1 on_virtual_screen "$0" "$@"
  exit
fi
installer=$(realpath "$1") zip=$(realpath "$2") stand_in=$(realpath "$3")
source "$here/../app/board_checks.sh"
data=$here/../data
dir=$(mktemp -d)
pid=""
export WINEPREFIX=$dir/prefix
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; wineserver -k 2>/dev/null; rm -rf "$dir"' EXIT

# A control's rectangle in the client area, in pixels, from the hand-written window file:
# "left top width height", its containers' offsets added.
rect() {
  awk -F' [|] ' -v name="$1" '
    { left[$1] = $4; container[$1] = $3 }
    END {
      split(left[name], r, " "); x = r[1]; y = r[2]
      for (c = container[name]; c != "Form1"; c = container[c]) {
        split(left[c], o, " "); x += o[1]; y += o[2]
      }
      print x, y, r[3], r[4]
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
# Whether the #ff8080 pixels around the rectangle $1,$2 $3x$4 of the screenshot fill it, less a
# frame of 0 to 3 pixels, and nothing outside it.
red_inside() {
  local margin=6
  convert "$dir/screen.png" -crop "$(($3 + 2 * margin))x$(($4 + 2 * margin))+$(($1 - margin))+$(($2 - margin))" \
    +repage txt:- |
    awk -F'[,: ]+' -v m="$margin" -v w="$3" -v h="$4" '
      /#FF8080/ {
        if (!n++) { x0 = x1 = $1; y0 = y1 = $2 }
        if ($1 < x0) x0 = $1; if ($1 > x1) x1 = $1
        if ($2 < y0) y0 = $2; if ($2 > y1) y1 = $2
      }
      function inset(a) { return a >= 0 && a <= 3 }
      END { exit !(n && inset(x0 - m) && inset(y0 - m) && inset(m + w - 1 - x1) && inset(m + h - 1 - y1)) }'
}
# Takes a screenshot and tells whether both word boxes are painted in it where the layout puts
# them: the window may be mapped, and placed, a while before it is first painted. Sets origin_x,
# origin_y, WIDTH, HEIGHT.
both_boxes_painted() {
  eval "$(xdotool getwindowgeometry --shell "$window")"
  origin_x=$X origin_y=$Y
  import -window root "$dir/screen.png"
  local box x y w h
  for box in txtA txtB; do
    read -r x y w h < <(rect "$box")
    red_inside "$((origin_x + x))" "$((origin_y + y))" "$w" "$h" || return 1
  done
}
answers() { test "$(rigctl -m 2 -r "127.0.0.1:$port" f 2>/dev/null)" = "$1"; }
find_window() { window=$(xdotool search --onlyvisible --name 'SAA1057' | head -n 1); [ -n "$window" ]; }
uninstall_entry() {  # Windows' list of programs' entry for the panel
  wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\saa1057-panel' "$@" 2>/dev/null
}

echo "installer test: making a Wine prefix"
wineboot -i >/dev/null 2>&1
if ! wine "$installer" /S >"$dir/install.log" 2>&1; then
  echo "FAILED: the silent installer ends with an error:"
  cat "$dir/install.log"
  exit 1
fi
installed="$WINEPREFIX/drive_c/Program Files/SAA1057 Panel"
program="$installed/saa1057-panel.exe"
for file in saa1057-panel.exe Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll Qt6Network.dll \
    platforms/qwindows.dll styles/qwindowsvistastyle.dll libstdc++-6.dll libgcc_s_seh-1.dll \
    libwinpthread-1.dll README.md licenses/README.txt licenses/Qt.txt licenses/LGPL-3.txt \
    Uninstall.exe; do
  check "the installer puts $file in place" test -f "$installed/$file"
done
check "no port library is shipped" test -z "$(find "$installed" -iname 'inpout*')"
check "no D2XX driver is shipped" test -z "$(find "$installed" -iname 'ftd2xx*')"
shortcut=$(find "$WINEPREFIX/drive_c" -name 'SAA1057 Panel.lnk' | head -n 1)
check "a Start-menu entry is made" test -n "$shortcut"
check "the Start-menu entry starts the program" grep -qa 'saa1057-panel.exe' "$shortcut"
# Resource type 14 is a group icon: Explorer's and the Start menu's picture of the program.
check "the program carries its icon" \
  sh -c "x86_64-w64-mingw32-objdump -p '$program' | grep -Eq '^[0-9a-f]+   Entry: ID: 0x00000e'"
check "the program is a window program: no console window opens with it" \
  sh -c "x86_64-w64-mingw32-objdump -p '$program' | grep -q '^Subsystem.*(Windows GUI)'"
check "Windows' list of programs knows the version" \
  grep -q '0[.]1[.]0' <(uninstall_entry /v DisplayVersion)

# The window, clicked and tuned; its trace read by the decoder.
trace_windows=$(winepath -w "$dir/bus.vcd")
serve_rigctld "$dir/err" wine "$program" --simulate --trace "$trace_windows" >"$dir/out"
check "the installed program answers rigctl after start-up (it answered '$first_answer')" \
  test "$first_answer" = 106200000
check "its window appears" wait_for 100 find_window
if [ -n "$window" ]; then
  # The two word boxes are the window's only red (#ff8080): where the layout puts them, less the
  # frame of up to 3 pixels that the style draws inside their rectangles.
  check "txtA and txtB are drawn where the layout puts them, filled with their colour" \
    wait_for 100 both_boxes_painted
  read -r _ _ client < <(awk -F' [|] ' '$1 == "Form1" {print "x", "x", $3}' <(grep -v '^# ' "$data/window.txt"))
  check "the window has the client size of the layout ($client)" \
    test "$WIDTH x $HEIGHT" = "$client"
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

wine "$program" --version >"$dir/out" 2>&1
check "--version prints the version" grep -q '^saa1057-panel 0[.]1[.]0' "$dir/out"
wine "$program" --headless --simulate --port 0x378 >"$dir/out" 2>"$dir/err"
check "a usage error ends the program with 2" test $? -eq 2

# The port library: a stand-in beside the installed program records what Out32 receives. Where
# else it may be loaded from, and FTDI's driver, the build's own tests check under Wine.
cp "$stand_in" "$installed/inpoutx64.dll"
STAND_IN_INPOUT_LOG=$(winepath -w "$dir/writes.txt") wine "$program" --headless \
  >"$dir/out" 2>"$dir/err" &
pid=$!
wait_for 200 test -s "$dir/out"
wine taskkill /f /im saa1057-panel.exe >/dev/null 2>&1
wait "$pid" 2>/dev/null
pid=""
check "Out32 receives start-up's writes in order at 0x378" diff -u \
  <(awk '$1 == "out" {print "Out32", $2, $3}' "$data/start_up.txt") "$dir/writes.txt"
rm -f "$installed/inpoutx64.dll"

# The portable zip: the same folder, runnable where it is unpacked.
mkdir "$dir/portable"
(cd "$dir/portable" && unzip -q "$zip")
portable=$(find "$dir/portable" -name saa1057-panel.exe | head -n 1)
check "the zip holds the program" test -n "$portable"
if [ -n "$portable" ]; then
  check "the zip holds what the installer installs" diff \
    <(cd "$installed" && find . -type f ! -name Uninstall.exe | sort) \
    <(cd "$(dirname "$portable")" && find . -type f | sort)
  wine "$portable" --version >"$dir/out" 2>&1
  check "the unpacked program runs" grep -q '^saa1057-panel 0[.]1[.]0' "$dir/out"
fi

# The uninstaller copies itself and goes on in the background: each trace of the program may
# still be there for a while when the command returns.
wine "$installed/Uninstall.exe" /S >/dev/null 2>&1
check "the uninstaller removes the program" wait_for 300 test ! -e "$installed"
check "the uninstaller removes the Start-menu entry" wait_for 300 test ! -e "$shortcut"
check "the uninstaller removes the entry in Windows' list of programs" \
  wait_for 300 eval '! uninstall_entry >/dev/null'
finish

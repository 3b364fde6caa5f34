# Sourced where Windows programs run under Wine or windows are drawn unseen: the Makefile's
# recipes, the installer's test and the pictures. Each chooses its own WINEPREFIX.
# No Mono or Gecko: the tests need neither, and Wine would offer to install them. No menu entries
# in the user's desktop for what is installed in a prefix.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
# Runs "$@" on a virtual X server of its own, the screen the pictures and the window's checks
# were made on.
on_virtual_screen() {
  xvfb-run -a -s "-screen 0 1280x720x24 -dpi 96" "$@"
}

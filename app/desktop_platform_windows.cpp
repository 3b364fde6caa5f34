#include <windows.h>

#include <QCoreApplication>
#include <QMetaObject>
#include <cstdio>

#include "desktop_platform.hpp"

namespace app {

namespace {

// Runs on a thread of the console's: only ask the event loop to quit.
BOOL WINAPI on_console_event(DWORD) {
  QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                            Qt::QueuedConnection);
  return TRUE;
}

}  // namespace

void use_parent_console() {
  const auto unset = [](DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    return handle == nullptr || handle == INVALID_HANDLE_VALUE;
  };
  const bool output_unset = unset(STD_OUTPUT_HANDLE);
  const bool error_unset = unset(STD_ERROR_HANDLE);
  // Attached even when the output is redirected, so that Ctrl+C there reaches the program.
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
  if (output_unset) std::freopen("CONOUT$", "w", stdout);
  if (error_unset) std::freopen("CONOUT$", "w", stderr);
}

void ignore_broken_pipes() {}

void quit_on_signals() { SetConsoleCtrlHandler(on_console_event, TRUE); }

bool display_reachable() { return true; }

}  // namespace app

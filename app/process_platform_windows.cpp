#include <windows.h>

#include <QCoreApplication>
#include <QMetaObject>
#include <cstdio>

#include "process_platform.hpp"

namespace app {

namespace {

// A little less than the five seconds that Windows gives a closed console's programs.
constexpr DWORD kExitPathBoundMs = 4500;

HANDLE exit_path_finished = nullptr;  // set by exit_path_done()

bool ends_the_process(DWORD event) {
  return event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT;
}

// Runs on a thread that the system starts for the event: only ask the event loop to quit, and
// where Windows ends the process on return, hold it until the exit path has run.
BOOL WINAPI on_console_event(DWORD event) {
  QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                            Qt::QueuedConnection);
  if (ends_the_process(event)) WaitForSingleObject(exit_path_finished, kExitPathBoundMs);
  return TRUE;
}

}  // namespace

void hold_closed_standard_streams() {}

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

void quit_on_signals() {
  exit_path_finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(on_console_event, TRUE);
}

void exit_path_done() {
  if (exit_path_finished) SetEvent(exit_path_finished);
}

bool display_reachable() { return true; }

}  // namespace app

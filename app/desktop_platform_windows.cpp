#include <windows.h>

#include <QCoreApplication>
#include <QMetaObject>

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

void quit_on_signals() { SetConsoleCtrlHandler(on_console_event, TRUE); }

bool display_reachable() { return true; }

}  // namespace app

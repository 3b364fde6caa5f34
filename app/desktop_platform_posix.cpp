#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <cstdlib>

#include "desktop_platform.hpp"

namespace app {

namespace {

int signal_pipe[2] = {-1, -1};

// Only async-signal-safe work here: the event loop picks the byte up.
void on_signal(int) {
  const char byte = 1;
  [[maybe_unused]] const auto written = ::write(signal_pipe[0], &byte, 1);
}

}  // namespace

void use_parent_console() {}

void quit_on_signals() {
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signal_pipe) != 0) return;
  auto* notifier =
      new QSocketNotifier(signal_pipe[1], QSocketNotifier::Read, QCoreApplication::instance());
  QObject::connect(notifier, &QSocketNotifier::activated, [] { QCoreApplication::quit(); });
  struct sigaction action {};
  action.sa_handler = on_signal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool display_reachable() {
  const auto set = [](const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
  };
  return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
}

}  // namespace app

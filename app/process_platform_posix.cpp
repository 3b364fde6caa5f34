#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <cstdlib>

#include "process_platform.hpp"

namespace app {

namespace {

int signal_pipe[2] = {-1, -1};

// Only async-signal-safe work here: the event loop picks the byte up. The write must neither
// block (a full pipe, signals faster than the loop reads) nor leave errno changed for the code
// it interrupted, which may be about to read it.
void on_signal(int) {
  const int saved_errno = errno;
  const char byte = 1;
  [[maybe_unused]] const auto written = ::write(signal_pipe[0], &byte, 1);
  errno = saved_errno;
}

void drain_signal_pipe() {
  char bytes[64];
  while (::read(signal_pipe[1], bytes, sizeof bytes) > 0) {
  }
}

}  // namespace

void hold_closed_standard_streams() {
  // /dev/null opened the other way round: reading standard input, or writing standard output
  // or error, still fails with EBADF, as on the closed descriptor.
  constexpr int kModes[] = {O_WRONLY, O_RDONLY, O_RDONLY};
  for (int stream = 0; stream < 3; ++stream) {
    // open() takes the lowest free descriptor: this one, the ones below being open by now.
    if (::fcntl(stream, F_GETFD) == -1 && errno == EBADF) ::open("/dev/null", kModes[stream]);
  }
}

void use_parent_console() {}

void exit_path_done() {}

// A reader that goes away (--trace into `| head`) must fail the write with EPIPE, reported as
// any failed write is, rather than end the program by a signal with nothing said.
void ignore_broken_pipes() { std::signal(SIGPIPE, SIG_IGN); }

void quit_on_signals() {
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signal_pipe) != 0) return;
  for (const int end : signal_pipe) ::fcntl(end, F_SETFL, ::fcntl(end, F_GETFL) | O_NONBLOCK);
  auto* notifier =
      new QSocketNotifier(signal_pipe[1], QSocketNotifier::Read, QCoreApplication::instance());
  QObject::connect(notifier, &QSocketNotifier::activated, [] {
    drain_signal_pipe();
    QCoreApplication::quit();
  });
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

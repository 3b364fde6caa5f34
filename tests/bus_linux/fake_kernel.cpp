#include "fake_kernel.hpp"

#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstdio>

namespace fake_kernel {

namespace {

constexpr int kFd = 7;

struct PlannedFailure {
  std::string call;
  int error_number = 0;
  int successes_left = 0;
} planned;

std::string request_name(unsigned long request) {
  switch (request) {
    case PPCLAIM:
      return "PPCLAIM";
    case PPEXCL:
      return "PPEXCL";
    case PPRELEASE:
      return "PPRELEASE";
    case PPWDATA:
      return "PPWDATA";
    case PPWCONTROL:
      return "PPWCONTROL";
    default:
      return "ioctl?";
  }
}

int fake_open(const char* path, int flags) {
  const bool read_write = (flags & O_ACCMODE) == O_RDWR && (flags & O_CLOEXEC);
  return record("open", std::string(path) + (read_write ? "" : " (not O_RDWR|O_CLOEXEC)")) ? -1
                                                                                           : kFd;
}

int fake_ioctl(int fd, unsigned long request, void* argument) {
  std::string detail = fd == kFd ? "" : "bad-fd";
  if (request == PPWDATA || request == PPWCONTROL) {
    detail = std::to_string(*static_cast<unsigned char*>(argument));
  }
  return record(request_name(request), detail) ? -1 : 0;
}

int fake_close(int fd) { return record("close", fd == kFd ? "" : "bad-fd") ? -1 : 0; }

std::string hex(unsigned long value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%lx", value);
  return text;
}

int fake_ioperm(unsigned long from, unsigned long count, int on) {
  return record("ioperm", hex(from) + " " + std::to_string(count) + " " + std::to_string(on)) ? -1
                                                                                              : 0;
}

void fake_outb(unsigned char value, unsigned short port) {
  record("outb", hex(port) + " " + std::to_string(value));
}

}  // namespace

bool record(const std::string& name, const std::string& detail) {
  calls().push_back(detail.empty() ? name : name + " " + detail);
  if (planned.call != name) return false;
  if (planned.successes_left-- > 0) return false;
  errno = planned.error_number;
  return true;
}

std::vector<std::string>& calls() {
  static std::vector<std::string> recorded;
  return recorded;
}

void fail(const std::string& call, int error_number, int successes_first) {
  planned = {call, error_number, successes_first};
}

void reset() {
  calls().clear();
  planned = {};
}

const bus::SystemCalls& system_calls() {
  static constexpr bus::SystemCalls kCalls{fake_open, fake_ioctl, fake_close};
  return kCalls;
}

const bus::PortIoCalls& port_io_calls() {
  static constexpr bus::PortIoCalls kCalls{fake_ioperm, fake_outb};
  return kCalls;
}

}  // namespace fake_kernel

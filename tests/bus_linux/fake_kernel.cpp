#include "fake_kernel.hpp"

#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstdio>
#include <map>

namespace fake_kernel {

namespace {

constexpr int kFd = 7;

std::uint8_t status_register = 0;

struct {
  std::string call;
  int error_number = 0;
  int successes_left = 0;
  int failures_left = -1;
} planned;

// Notes the call, its detail printf-style; true when it is the one planned to fail.
template <typename... Values>
bool fails(const std::string& name, const char* format = "", Values... values) {
  char detail[64];
  std::snprintf(detail, sizeof detail, format, values...);
  return record(name, detail);
}

int fake_open(const char* path, int flags) {
  const bool read_write = (flags & O_ACCMODE) == O_RDWR && (flags & O_CLOEXEC);
  return fails("open", read_write ? "%s" : "%s (not O_RDWR|O_CLOEXEC)", path) ? -1 : kFd;
}

int fake_ioctl(int fd, unsigned long request, void* argument) {
  static const std::map<unsigned long, std::string> kNames{
      {PPCLAIM, "PPCLAIM"}, {PPEXCL, "PPEXCL"},         {PPRELEASE, "PPRELEASE"},
      {PPWDATA, "PPWDATA"}, {PPWCONTROL, "PPWCONTROL"}, {PPRSTATUS, "PPRSTATUS"}};
  const bool write = request == PPWDATA || request == PPWCONTROL;
  const int value = write ? *static_cast<unsigned char*>(argument) : 0;
  if (fails(kNames.at(request) + (fd == kFd ? "" : " (wrong fd)"), write ? "%d" : "", value)) {
    return -1;
  }
  if (request == PPRSTATUS) *static_cast<unsigned char*>(argument) = status_register;
  return 0;
}

int fake_close(int fd) { return fails(fd == kFd ? "close" : "close (wrong fd)") ? -1 : 0; }

int fake_ioperm(unsigned long from, unsigned long count, int on) {
  return fails("ioperm", "0x%lx %lu %d", from, count, on) ? -1 : 0;
}

void fake_outb(unsigned char value, unsigned short port) { fails("outb", "0x%x %d", port, value); }

unsigned char fake_inb(unsigned short port) {
  fails("inb", "0x%x", port);
  return status_register;
}

}  // namespace

bool record(const std::string& name, const std::string& detail) {
  calls().push_back(detail.empty() ? name : name + " " + detail);
  if (planned.call != name) return false;
  if (planned.successes_left-- > 0) return false;
  if (planned.failures_left == 0) return false;
  if (planned.failures_left > 0) --planned.failures_left;
  errno = planned.error_number;
  return true;
}

std::vector<std::string>& calls() {
  static std::vector<std::string> recorded;
  return recorded;
}

void reset(const std::string& failing_call, int error_number, int successes_first, int failures) {
  calls().clear();
  planned = {failing_call, error_number, successes_first, failures};
  status_register = 0;
}

void set_status(std::uint8_t status) { status_register = status; }

const bus::SystemCalls& system_calls() {
  static constexpr bus::SystemCalls kCalls{fake_open, fake_ioctl, fake_close, nullptr};
  return kCalls;
}

const bus::PortIoCalls& port_io_calls() {
  static constexpr bus::PortIoCalls kCalls{fake_ioperm, fake_outb, fake_inb};
  return kCalls;
}

}  // namespace fake_kernel

#include "bus_linux/system_calls.hpp"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace bus {

namespace {

int open_device(const char* path, int flags) { return ::open(path, flags); }
int control_device(int fd, unsigned long request, void* argument) {
  return ::ioctl(fd, request, argument);
}
int close_device(int fd) { return ::close(fd); }
ssize_t read_device(int fd, void* buffer, std::size_t size) { return ::read(fd, buffer, size); }

}  // namespace

const SystemCalls& linux_system_calls() {
  static constexpr SystemCalls kCalls{open_device, control_device, close_device, read_device};
  return kCalls;
}

}  // namespace bus

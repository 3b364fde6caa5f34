#pragma once

#include <sys/types.h>

#include <cstddef>

namespace bus {

// The system calls the Linux back ends make, as a table so that tests can stand in for the
// kernel. Failures return -1 and leave the reason in errno, as the calls themselves do.
struct SystemCalls {
  int (*open)(const char* path, int flags);
  int (*ioctl)(int fd, unsigned long request, void* argument);
  int (*close)(int fd);
  ssize_t (*read)(int fd, void* buffer, std::size_t size);
};

const SystemCalls& linux_system_calls();

}  // namespace bus

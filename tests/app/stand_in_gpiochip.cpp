// A GPIO chip for the real program, preloaded into it: it answers the GPIO character device's
// requests for the made-up path $STAND_IN_GPIOCHIP, as a chip "gpiochip9" [stand-in] with lines
// GPIO0 to GPIO27 (GPIO4 held by "w1-gpio"), and records the levels of the requested lines in
// the value change dump $STAND_IN_GPIO_RECORD, one microsecond per set-values call, each wire
// named after its line. Every other call goes on to the C library.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/ioctl.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "gpio_chip_model.hpp"

namespace {

const gpio_model::Chip kChip{"gpiochip9", "stand-in", [] {
                               auto lines = gpio_model::numbered_lines("GPIO", 28);
                               lines[4].consumer = "w1-gpio";
                               return lines;
                             }()};

int chip_fd = -1;
int request_fd = -1;
gpio_v2_line_request request{};
std::uint64_t levels = 0;
long stamp_us = 0;
std::FILE* record = nullptr;

template <typename Function>
Function real(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

int open_null() { return real<int (*)(const char*, int, ...)>("open")("/dev/null", O_RDWR); }

void put_levels(std::uint64_t mask) {
  for (unsigned i = 0; i < request.num_lines; ++i) {
    if (mask >> i & 1) std::fprintf(record, "%d%c\n", static_cast<int>(levels >> i & 1), '!' + i);
  }
  std::fflush(record);
}

void start_record() {
  record = std::fopen(std::getenv("STAND_IN_GPIO_RECORD"), "w");
  std::fprintf(record, "$comment GET_LINE %s $end\n$timescale 1us $end\n$scope module chip $end\n",
               gpio_model::describe(request).c_str());
  for (unsigned i = 0; i < request.num_lines; ++i) {
    std::fprintf(record, "$var wire 1 %c %s $end\n", '!' + i,
                 kChip.lines[request.offsets[i]].name.c_str());
  }
  std::fprintf(record, "$upscope $end\n$enddefinitions $end\n#0\n$dumpvars\n");
  const auto& initial = request.config.attrs[0];
  if (initial.attr.id == GPIO_V2_LINE_ATTR_ID_OUTPUT_VALUES)
    levels = initial.attr.values & initial.mask;
  put_levels(~std::uint64_t{0});
  std::fprintf(record, "$end\n");
}

int answer(int fd, unsigned long what, void* argument) {
  if (fd == request_fd && what == GPIO_V2_LINE_SET_VALUES_IOCTL) {
    const auto& values = *static_cast<gpio_v2_line_values*>(argument);
    if (gpio_model::check(values, request.num_lines) != 0) return -1;
    levels = (levels & ~values.mask) | (values.bits & values.mask);
    std::fprintf(record, "#%ld\n", ++stamp_us);
    put_levels(values.mask);
    return 0;
  }
  const int new_fd = what == GPIO_V2_GET_LINE_IOCTL ? open_null() : -1;
  const int result = gpio_model::answer(kChip, what, argument, new_fd);
  if (result == 0 && what == GPIO_V2_GET_LINE_IOCTL) {
    request = *static_cast<gpio_v2_line_request*>(argument);
    request_fd = new_fd;
    start_record();
  } else if (new_fd >= 0) {
    real<int (*)(int)>("close")(new_fd);
  }
  return result;
}

}  // namespace

extern "C" {

int open(const char* path, int flags, ...) {
  va_list rest;
  va_start(rest, flags);
  const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(rest, mode_t) : 0;
  va_end(rest);
  const char* chip = std::getenv("STAND_IN_GPIOCHIP");
  if (chip && std::strcmp(path, chip) == 0) return chip_fd = open_null();
  return real<int (*)(const char*, int, ...)>("open")(path, flags, mode);
}

int ioctl(int fd, unsigned long what, ...) __THROW {
  va_list rest;
  va_start(rest, what);
  void* argument = va_arg(rest, void*);
  va_end(rest);
  if (fd >= 0 && (fd == chip_fd || fd == request_fd)) return answer(fd, what, argument);
  return real<int (*)(int, unsigned long, void*)>("ioctl")(fd, what, argument);
}

int close(int fd) {
  if (fd >= 0 && fd == request_fd) {
    std::fprintf(record, "#%ld\n", ++stamp_us);
    std::fclose(record);
    request_fd = -1;
  }
  if (fd >= 0 && fd == chip_fd) chip_fd = -1;
  return real<int (*)(int)>("close")(fd);
}

}  // extern "C"

#pragma once

#include <linux/gpio.h>

#include <string>
#include <vector>

// A GPIO chip as the kernel's character device shows it, for the fake kernel behind the
// system-call table.
namespace gpio_model {

struct Line {
  std::string name;
  std::string consumer;  // held by another user when not empty
  bool high = false;     // what the line reads as an input
};

struct Chip {
  std::string name;
  std::string label;
  std::vector<Line> lines;
  int bias_error = 0;      // how the chip's driver refuses a pull-up or pull-down; 0: it makes one
  bool interrupts = true;  // without, the kernel refuses edge detection (ENXIO)
};

// "GPIO0" .. "GPIO<count - 1>" with `prefix` "GPIO".
std::vector<Line> numbered_lines(const std::string& prefix, int count);

// Answers GPIO_GET_CHIPINFO_IOCTL, GPIO_V2_GET_LINEINFO_IOCTL and GPIO_V2_GET_LINE_IOCTL as the
// kernel does, a granted request getting `request_fd`; -1 with errno for a refusal or any
// other request.
int answer(const Chip& chip, unsigned long request, void* argument, int request_fd);

// A set-values call as the kernel takes it for a request of `line_count` lines: EINVAL (-1)
// for an empty mask or one beyond the lines.
int check(const gpio_v2_line_values& values, unsigned line_count);

// Answers a get-values call on `request`, granted on `chip`: the levels of the lines in the
// mask; EINVAL (-1) for an empty mask or one beyond the request's lines.
int get_values(const Chip& chip, const gpio_v2_line_request& request, gpio_v2_line_values& values);

// "offsets 17,27,22 consumer saa1057-panel flags OUTPUT output-values 000/111", and a line's own
// flags as "flags INPUT|BIAS_PULL_UP/1000".
std::string describe(const gpio_v2_line_request& request);

// The `width` lowest bits, line 0 rightmost: "001".
std::string bits(std::uint64_t value, unsigned width = 3);

}  // namespace gpio_model

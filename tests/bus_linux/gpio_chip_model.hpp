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
};

struct Chip {
  std::string name;
  std::string label;
  std::vector<Line> lines;
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

// "offsets 17,27,22 consumer saa1057-panel flags OUTPUT output-values 000/111".
std::string describe(const gpio_v2_line_request& request);

// The three lowest bits, line 0 rightmost: "001".
std::string bits(std::uint64_t value);

}  // namespace gpio_model

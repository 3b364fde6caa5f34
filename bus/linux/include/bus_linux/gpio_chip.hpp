#pragma once

#include <linux/gpio.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

#include "bus_linux/system_calls.hpp"

namespace bus {

// Where the kernel puts the GPIO character devices, /dev/gpiochipN.
inline const std::filesystem::path kGpioDeviceDir = "/dev";

// One open GPIO chip, reached through the kernel's uAPI v2.
class GpioChip {
 public:
  // Opens the chip that `chip` names: a path, a chip name (gpiochip0) or a chip's label.
  // Throws common::FatalError with the system's reason; where no chip fits, the message lists
  // the chips that exist.
  GpioChip(const std::string& chip, const SystemCalls& calls,
           const std::filesystem::path& device_dir = kGpioDeviceDir);
  ~GpioChip();
  GpioChip(const GpioChip&) = delete;
  GpioChip& operator=(const GpioChip&) = delete;

  std::string description() const;  // "gpiochip0 [pinctrl-bcm2711]"

  // The offset of `line`, given as an offset or as a line's name; `role` ("clock") names it
  // in the failure.
  std::uint32_t offset_of(const std::string& line, const char* role) const;

  // Requests the lines at `outputs` as outputs at `levels` (bit i for outputs[i]) and, in the
  // same request, the line at `input` when there is one as a fourth line, an input pulled up
  // whose edges the kernel tells, each where the chip can; with the program's name as their
  // consumer. `where` names the lines in a failure, which says who holds a line that is in use.
  struct Request {
    int fd = -1;
    bool pulled_up = false;  // the input's
    bool edges = false;      // the input's edge events come on fd
  };
  Request request_lines(const std::array<std::uint32_t, 3>& outputs, std::uint64_t levels,
                        std::optional<std::uint32_t> input, const std::string& where) const;

 private:
  std::optional<gpio_v2_line_info> try_line_info(std::uint32_t offset) const;  // errno on none
  std::string users_of(std::span<const std::uint32_t> offsets) const;

  const SystemCalls& calls_;
  int fd_ = -1;
  gpiochip_info info_{};
};

// The chips of `device_dir` as gpiodetect lists them: "gpiochip0 [pinctrl-bcm2711] (58 lines)",
// separated by "; ", or the reason a chip could not be read in place of its label.
std::string list_gpio_chips(const SystemCalls& calls,
                            const std::filesystem::path& device_dir = kGpioDeviceDir);

}  // namespace bus

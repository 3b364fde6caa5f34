#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>

#include "bus/port.hpp"
#include "bus/wiring.hpp"
#include "bus_linux/gpio_chip.hpp"
#include "bus_linux/system_calls.hpp"

namespace bus {

// The bus on three lines of a GPIO chip (a Raspberry Pi's header, a USB adapter's pins),
// through the kernel's GPIO character device, uAPI v2. The lines are requested as outputs,
// at rest, at the first write; each register write then sets, in one call, only the lines it
// changes, since on a USB adapter every line costs a round trip. A lock line is a fourth line
// of the same request, an input whose edges the kernel tells where the chip can.
class GpioPort : public Port {
 public:
  // `chip`: a path, a chip name or a label; `lines`: clock, data and enable, and `lock` the
  // lock line when there is one, each an offset or a line name.
  GpioPort(std::string chip, std::array<std::string, 3> lines,
           std::optional<std::string> lock = std::nullopt,
           const SystemCalls& calls = linux_system_calls(),
           std::filesystem::path device_dir = kGpioDeviceDir);
  ~GpioPort() override;
  GpioPort(const GpioPort&) = delete;
  GpioPort& operator=(const GpioPort&) = delete;

  std::string name() const override;  // "gpiochip0 lines GPIO17,GPIO27,GPIO22 (GPIO)"
  std::string label() const override { return chip_; }
  void bind() override;
  void write(Register target, std::uint8_t value) override;
  std::optional<std::string> lock_line() const override;  // "line GPIO23 of gpiochip0"
  bool lock_level() override;
  int lock_changes() const override { return lock_edges_ ? request_fd_ : -1; }
  bool take_lock_changes() override;
  std::optional<std::string> lock_line_caveat() const override;

 private:
  std::string joined_lines() const;  // "GPIO17,GPIO27,GPIO22", then the lock line's

  std::string chip_;
  std::array<std::string, 3> lines_;
  std::optional<std::string> lock_;
  const SystemCalls& calls_;
  std::filesystem::path device_dir_;
  std::string where_;  // once bound: "lines GPIO17,GPIO27,GPIO22 of gpiochip0 [pinctrl-bcm2711]"
  std::string lock_where_;  // once bound: "line GPIO23 of gpiochip0 [pinctrl-bcm2711]"
  int request_fd_ = -1;
  bool lock_pulled_up_ = true;
  bool lock_edges_ = false;
  LineLevels levels_;
};

}  // namespace bus

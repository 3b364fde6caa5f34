#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "bus/port.hpp"
#include "bus/wiring.hpp"
#include "bus_linux/parport_discovery.hpp"
#include "bus_linux/system_calls.hpp"

namespace bus {

// A parallel port through the kernel's ppdev driver (/dev/parportN): no root needed, only
// membership of the lp group. The data register goes out as PPWDATA, the control register as
// PPWCONTROL, each value exactly as given. A lock line is a status pin, read with PPRSTATUS.
class PpdevPort : public Port {
 public:
  PpdevPort(std::string device, std::optional<std::uint16_t> base_address,
            std::optional<StatusPin> lock_pin = std::nullopt,
            const SystemCalls& calls = linux_system_calls(),
            std::filesystem::path proc_root = kParportProcRoot);
  ~PpdevPort() override;
  PpdevPort(const PpdevPort&) = delete;
  PpdevPort& operator=(const PpdevPort&) = delete;

  std::string name() const override;  // "/dev/parport0 (0x378, ppdev)"
  std::string label() const override { return device_; }
  void bind() override;
  void write(Register target, std::uint8_t value) override;
  std::optional<std::string> lock_line() const override;
  bool lock_level() override;

 private:
  // Opens the device and claims the port: 0, or the claim's errno with the device closed again.
  int claim(bool exclusive);

  std::string device_;
  std::optional<std::uint16_t> base_address_;
  std::optional<StatusPin> lock_pin_;
  const SystemCalls& calls_;
  std::filesystem::path proc_root_;
  int fd_ = -1;
};

}  // namespace bus

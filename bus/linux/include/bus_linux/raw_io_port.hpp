#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "bus/port.hpp"
#include "bus/wiring.hpp"

namespace bus {

// The port-I/O calls of x86 Linux, as a table that tests replace; ioperm fails as the call does.
struct PortIoCalls {
  int (*ioperm)(unsigned long from, unsigned long count, int turn_on);
  void (*outb)(unsigned char value, unsigned short port);
  unsigned char (*inb)(unsigned short port);
};

const PortIoCalls& linux_port_io_calls();

// A parallel port written directly with outb, for ports the kernel driver does not manage
// (add-in cards at 0xd010 and the like). Needs root or CAP_SYS_RAWIO. A lock line is a status
// pin, read with inb from the status register.
class RawIoPort : public Port {
 public:
  explicit RawIoPort(std::uint16_t base_address, std::optional<StatusPin> lock_pin = std::nullopt,
                     const PortIoCalls& calls = linux_port_io_calls());
  ~RawIoPort() override;
  RawIoPort(const RawIoPort&) = delete;
  RawIoPort& operator=(const RawIoPort&) = delete;

  std::string name() const override;   // "0x378 (raw I/O)"
  std::string label() const override;  // "0x378"
  void bind() override;
  void write(Register target, std::uint8_t value) override;
  std::optional<std::string> lock_line() const override;
  bool lock_level() override;

 private:
  std::string register_span() const;  // "I/O ports 0x378-0x37a"

  std::uint16_t base_address_;
  std::optional<StatusPin> lock_pin_;
  const PortIoCalls& calls_;
  bool permitted_ = false;
};

}  // namespace bus

#pragma once

#include <cstdint>
#include <string>

#include "bus/register_map.hpp"

namespace bus {

// One back end that reaches the parallel port's registers: real hardware, the simulated
// synthesizer, or a recorder. Every write must take effect synchronously and in call order.
// Writes name the register; where it lies (a base address, an ioctl, lines) is the back end's.
class Port {
 public:
  virtual ~Port() = default;

  // Who this is, for messages and the status line: "/dev/parport0 (ppdev)", "simulated SAA1057".
  virtual std::string name() const = 0;

  // Acquires whatever the back end needs; called once, before the first write.
  // Throws common::FatalError naming the back end, the system's reason and the way out.
  virtual void bind() {}

  virtual void write(Register target, std::uint8_t value) = 0;
};

}  // namespace bus

#pragma once

#include "bus/port.hpp"

namespace bus {

// Stands where this build has no way to reach a real parallel port: binding fails with a
// message that points at the simulated synthesizer.
class UnavailablePort : public Port {
 public:
  std::string name() const override { return "parallel port"; }
  void bind() override;
  void write(std::uint16_t address, std::uint8_t value) override;
};

}  // namespace bus

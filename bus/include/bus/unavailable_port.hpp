#pragma once

#include "bus/port.hpp"

namespace bus {

// Stands where no real port can be reached: binding fails with `reason` and points at the
// simulated synthesizer.
class UnavailablePort : public Port {
 public:
  explicit UnavailablePort(std::string reason) : reason_(std::move(reason)) {}
  std::string name() const override { return "no port"; }
  void bind() override;
  void write(Register target, std::uint8_t value) override;

 private:
  std::string reason_;
};

}  // namespace bus

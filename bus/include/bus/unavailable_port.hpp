#pragma once

#include "bus/port.hpp"

namespace bus {

// Stands where no real port can be reached: binding fails with `reason` and points at the
// simulated synthesizer. The information line shows `label`: what was asked for, where it
// names something ("0x378"), else "No port".
class UnavailablePort : public Port {
 public:
  UnavailablePort(std::string reason, std::string label)
      : reason_(std::move(reason)), label_(std::move(label)) {}
  std::string name() const override { return "no port"; }
  std::string label() const override { return label_; }
  void bind() override;
  void write(Register target, std::uint8_t value) override;

 private:
  std::string reason_;
  std::string label_;
};

}  // namespace bus

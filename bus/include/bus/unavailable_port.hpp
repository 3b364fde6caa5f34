#pragma once

#include "bus/port.hpp"

namespace bus {

// Stands where no real port can be reached: binding fails with `reason` and `way_out` (the
// choices before the simulated synthesizer, or none). The information line shows `label`: what
// was asked for, where it names something ("0x378"), else "No port".
class UnavailablePort : public Port {
 public:
  UnavailablePort(std::string reason, std::string way_out, std::string label)
      : reason_(std::move(reason)), way_out_(std::move(way_out)), label_(std::move(label)) {}
  std::string name() const override { return "no port"; }
  std::string label() const override { return label_; }
  std::string description() const override { return "No port: " + reason_; }
  void bind() override;
  void write(Register target, std::uint8_t value) override;

 private:
  std::string reason_;
  std::string way_out_;
  std::string label_;
};

}  // namespace bus

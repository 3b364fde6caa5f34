#pragma once

#include <vector>

#include "bus/port.hpp"

namespace bus {

struct PortWrite {
  std::uint16_t address;
  std::uint8_t value;
  friend bool operator==(const PortWrite&, const PortWrite&) = default;
};

// Keeps every write in order; it is how tests see the wire.
class RecordingPort : public Port {
 public:
  std::string name() const override { return "recording port"; }
  void bind() override { ++binds_; }
  void write(std::uint16_t address, std::uint8_t value) override;

  const std::vector<PortWrite>& writes() const { return writes_; }
  int binds() const { return binds_; }
  void clear() { writes_.clear(); }

 private:
  std::vector<PortWrite> writes_;
  int binds_ = 0;
};

}  // namespace bus

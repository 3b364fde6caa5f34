#pragma once

#include "rigctl/tuner.hpp"

namespace support {

// A tuner that only remembers the divider a remote client set, 11690 (106.2 MHz) at first.
class FakeTuner : public rigctl::Tuner {
 public:
  std::int32_t divider() const override { return divider_; }
  void tune(std::int32_t divider) override {
    divider_ = divider;
    ++tunings;
  }
  std::int32_t divider_ = 11690;
  int tunings = 0;
};

}  // namespace support

#pragma once

#include <vector>

#include "rigctl_protocol/tuner.hpp"

namespace support {

// A tuner that remembers the divider a remote client set, 11690 (106.2 MHz) at first, and notes
// every divider it is given, in turn. From its `failing_tuning`th tuning on (none when 0), it
// fails as a panel whose port failed does.
struct FakeTuner : rigctl_protocol::Tuner {
  std::int32_t divider() const override { return divider_; }
  words::Step step() const override { return step_; }
  void tune(std::int32_t divider) override {
    dividers.push_back(divider);
    failed_ = failed_ || std::ssize(dividers) == failing_tuning;
    if (!failed_) divider_ = divider;
  }
  bool failed() const override { return failed_; }
  std::int32_t divider_ = 11690;
  std::vector<std::int32_t> dividers;
  words::Step step_ = words::kFirstStep;
  int failing_tuning = 0;
  bool failed_ = false;
};

}  // namespace support

#include "bus/clock.hpp"

#include "machine_wait.hpp"

namespace bus {

namespace {

class SteadyClock : public Clock {
 public:
  std::chrono::nanoseconds now() const override {
    return std::chrono::steady_clock::now().time_since_epoch();
  }
  void pause(std::chrono::nanoseconds length) override { machine_wait(length); }
  bool waits_pass_at_once() const override { return false; }
};

}  // namespace

Clock& steady_clock() {
  static SteadyClock clock;
  return clock;
}

std::chrono::nanoseconds WaitSkippingClock::now() const {
  return holds_ > 0 ? held_at_ : steady_clock().now() + ahead_;
}

void WaitSkippingClock::pause(std::chrono::nanoseconds length) {
  (holds_ > 0 ? held_at_ : ahead_) += length;
}

void WaitSkippingClock::hold(bool on) {
  if (on && holds_ == 0) held_at_ = now();
  if (on) ++holds_;
  // Let go where the hold left it, so that time never runs back.
  if (!on && --holds_ == 0) ahead_ = held_at_ - steady_clock().now();
}

}  // namespace bus

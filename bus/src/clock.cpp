#include "bus/clock.hpp"

#include <thread>

namespace bus {

namespace {

class SteadyClock : public Clock {
 public:
  std::chrono::nanoseconds now() const override {
    return std::chrono::steady_clock::now().time_since_epoch();
  }
  void pause(std::chrono::nanoseconds length) override { std::this_thread::sleep_for(length); }
};

}  // namespace

Clock& steady_clock() {
  static SteadyClock clock;
  return clock;
}

}  // namespace bus

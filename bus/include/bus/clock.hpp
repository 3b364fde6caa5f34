#pragma once

#include <chrono>

namespace bus {

// Time as the lock line is watched in: the machine's, or a model's that passes only when it is
// waited out, so that a simulated sweep measures the model exactly and at once.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::chrono::nanoseconds now() const = 0;
  virtual void pause(std::chrono::nanoseconds length) = 0;
};

// The machine's monotonic time; pause sleeps.
Clock& steady_clock();

class ModelClock : public Clock {
 public:
  std::chrono::nanoseconds now() const override { return now_; }
  void pause(std::chrono::nanoseconds length) override { now_ += length; }

 private:
  std::chrono::nanoseconds now_{};
};

}  // namespace bus

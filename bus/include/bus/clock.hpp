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
  // A model's waits pass at once: it can be read to an end without keeping anyone waiting.
  virtual bool waits_pass_at_once() const { return true; }

  // While held, a clock whose waits pass at once lets no other time pass: what is measured
  // inside a hold is the model's alone, however busy the machine. The machine's own is never
  // held.
  class Held {
   public:
    explicit Held(Clock& clock) : clock_(clock) { clock_.hold(true); }
    ~Held() { clock_.hold(false); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;

   private:
    Clock& clock_;
  };

 protected:
  virtual void hold(bool /*on*/) {}
};

// The machine's monotonic time; pause sleeps.
Clock& steady_clock();

// The machine's time, but a wait passes at once, putting it ahead by the wait: a simulated chip
// beside people and a recording of its bus, answering a lock watch without keeping anyone
// waiting.
class WaitSkippingClock : public Clock {
 public:
  std::chrono::nanoseconds now() const override;
  void pause(std::chrono::nanoseconds length) override;

 protected:
  void hold(bool on) override;

 private:
  std::chrono::nanoseconds ahead_{};
  int holds_ = 0;
  std::chrono::nanoseconds held_at_{};  // while held: the time, which only waits move on
};

class ModelClock : public Clock {
 public:
  std::chrono::nanoseconds now() const override { return now_; }
  void pause(std::chrono::nanoseconds length) override { now_ += length; }

 private:
  std::chrono::nanoseconds now_{};
};

}  // namespace bus

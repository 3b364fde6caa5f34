#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "rigctl_protocol/caps.hpp"
#include "rigctl_protocol/tuner.hpp"

namespace rigctl_protocol {

enum class Tuning { kDone, kOutOfRange, kFailed };

// The panel as all its rigctld clients see it: the tuner, and what they set that the divider
// alone cannot say.
class Receiver {
 public:
  explicit Receiver(Tuner& tuner) : tuner_(tuner) {}

  // The frequency a client set, as it set it, while the divider it loaded is still the chip's;
  // otherwise the divider's. (Doppler tracking sends frequencies off the step's grid and
  // re-sends them for as long as it reads back another.)
  std::int64_t frequency_hz() const;
  // Tunes to the nearest step (halves to the even one). A frequency outside the advertised
  // range changes nothing.
  Tuning set_frequency(double hz);

  words::Step step() const { return tuner_.step(); }
  const ModeCaps& mode() const { return *mode_; }
  std::int64_t passband_hz() const { return passband_hz_; }
  // A mode of the caps, with a passband in Hz: 0 for the mode's default, -1 to keep the one it
  // has. False for any other mode or passband.
  bool set_mode(const std::string& name, std::int64_t passband_hz);

 private:
  struct Request {
    double hz;
    std::int32_t divider;
  };
  Tuner& tuner_;
  std::optional<Request> request_;
  const ModeCaps* mode_ = &kCaps.modes.front();
  std::int64_t passband_hz_ = kCaps.modes.front().default_passband_hz;
};

}  // namespace rigctl_protocol

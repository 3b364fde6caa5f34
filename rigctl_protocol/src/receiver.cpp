#include "rigctl_protocol/receiver.hpp"

#include <cmath>

namespace rigctl_protocol {

std::int64_t Receiver::frequency_hz() const {
  const std::int32_t divider = tuner_.divider();
  if (request_ && request_->divider == divider) return std::llround(request_->hz);
  return words::received_hz(divider, tuner_.step());
}

Tuning Receiver::set_frequency(double hz) {
  const auto divider = words::divider_for_hz(hz, tuner_.step());
  if (!divider) return Tuning::kOutOfRange;
  tuner_.tune(*divider);
  if (tuner_.failed()) return Tuning::kFailed;
  request_ = Request{hz, *divider};
  return Tuning::kDone;
}

bool Receiver::set_mode(const std::string& name, std::int64_t passband_hz) {
  for (const ModeCaps& mode : kCaps.modes) {
    if (mode.name != name) continue;
    if (passband_hz < -1) return false;
    const bool same = &mode == mode_;
    mode_ = &mode;
    if (passband_hz == 0 || (passband_hz == -1 && !same)) {
      passband_hz_ = mode.default_passband_hz;
    } else if (passband_hz > 0) {
      passband_hz_ = passband_hz;
    }
    return true;
  }
  return false;
}

}  // namespace rigctl_protocol

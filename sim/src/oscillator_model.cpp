#include "sim/oscillator_model.hpp"

#include <algorithm>

#include "words/word_a.hpp"
#include "words/word_b.hpp"

namespace sim {

namespace {

using namespace oscillator;

// High for the first half of each period, from the load on.
bool square_wave(double hertz, std::chrono::nanoseconds since) {
  const double periods = hertz * std::chrono::duration<double>(since).count();
  return periods - static_cast<std::int64_t>(periods) < 0.5;
}

}  // namespace

bool can_lock(std::int64_t hz) { return hz >= kLowestHz && hz <= kHighestHz; }

std::chrono::microseconds lock_time(std::int64_t hz) {
  // In 500 Hz, which every step divides: the squares stay well inside 64 bits.
  constexpr std::int64_t kUnit = 500;
  const std::int64_t span = (kHighestHz - kLowestHz) / kUnit;
  const std::int64_t from_bottom = (hz - kLowestHz) / kUnit;
  return std::chrono::microseconds(kFastestLockUs +
                                   kSlowingUs * from_bottom * from_bottom / (span * span));
}

bool test_pin_level(std::string_view test, bool refh, std::int32_t n,
                    std::chrono::nanoseconds since_load, InLock in_lock) {
  const double reference = refh ? 1250.0 : 1000.0;
  const std::int64_t hz = words::oscillator_hz(n, words::step_for_refh(refh));
  if (test == words::kTestHigh) return true;
  if (test == words::kTestReference) return square_wave(reference, since_load);
  if (test == words::kTestCounter) {
    const auto held = static_cast<double>(std::clamp(hz, kLowestHz, kHighestHz));
    return square_wave(reference * held / static_cast<double>(hz), since_load);
  }
  if (test == words::kTestInLock) {
    const std::chrono::nanoseconds period{static_cast<std::int64_t>(1e9 / reference)};
    if (in_lock == InLock::filtered) return can_lock(hz) && since_load >= lock_time(hz);
    if (!can_lock(hz)) return since_load % period >= kOutOfLockPulse;
    const auto until_lock = lock_time(hz) - since_load;
    if (until_lock <= std::chrono::nanoseconds::zero()) return true;
    const auto into_pulse = until_lock % period;
    return into_pulse == std::chrono::nanoseconds::zero() || into_pulse > kOutOfLockPulse;
  }
  return false;
}

}  // namespace sim

#pragma once

#include <chrono>
#include <cstdint>
#include <string_view>

namespace sim {

// The simulated receiver's oscillator and the chip's test pin, in round numbers a builder can
// check by hand. The oscillator tunes from 86.00 to 128.50 MHz (at 10 kHz dividers 8600 to
// 12850, so 75.30 to 117.80 MHz received; at 12.5 kHz 6880 to 10280): narrower than the slider,
// so both ends of the band stay unlocked. Within that range the loop locks after 0.5 ms at the
// bottom, growing with the square of the distance from it to 3.4 ms at the top, where the tuning
// voltage runs out:
//   lock time (us) = 500 + 2900 * (f - 86 MHz)^2 / (42.5 MHz)^2, in whole microseconds, rounded
//   down, f the oscillator (at 10 kHz: 500 + 2900 * (N - 8600)^2 / 4250^2).
// Charge-pump current, phase detector and the other settings do not change it.
// While out of lock the in-lock output pulses low for 0.2 ms of every reference period (1 ms at
// 1 kHz, 0.8 ms at 1.25 kHz): from the load on where the loop cannot lock, and up to the moment
// of lock where it can, the last pulse ending there. Once locked it stays high.
namespace oscillator {
inline constexpr std::int64_t kLowestHz = 86'000'000;
inline constexpr std::int64_t kHighestHz = 128'500'000;
inline constexpr std::int64_t kFastestLockUs = 500;
inline constexpr std::int64_t kSlowingUs = 2900;  // added at the top of the range
inline constexpr std::chrono::microseconds kOutOfLockPulse{200};
}  // namespace oscillator

// Whether the loop can lock with the oscillator at `hz`, and after how long from the word's load.
bool can_lock(std::int64_t hz);
std::chrono::microseconds lock_time(std::int64_t hz);

// The test pin's level `since_load` after Word A with divider `n` was loaded, for Word B's test
// function `test` and reference flag `refh` (1: 1.25 kHz, else 1 kHz): "1" high; the reference
// frequency and the programmable counter's output as square waves (the counter's at the
// reference times held/wanted oscillator frequency while it is held at a range end); in-lock high
// while locked, pulsing low before; any other code low.
// The in-lock output as the chip gives it, or behind the RC filter and comparator builders fit.
enum class InLock { pulsing, filtered };

bool test_pin_level(std::string_view test, bool refh, std::int32_t n,
                    std::chrono::nanoseconds since_load, InLock in_lock = InLock::pulsing);

}  // namespace sim

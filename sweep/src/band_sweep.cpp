#include "sweep/band_sweep.hpp"

#include <cstdlib>

#include "common/fatal_error.hpp"

namespace sweep {

BandSweep::BandSweep(form::Panel& panel, lock::LockWatch& watch, std::int32_t from, std::int32_t to,
                     std::int32_t step)
    : panel_(panel), watch_(watch), from_(from), to_(to), step_(step) {}

std::optional<std::string> BandSweep::refusal(std::string_view way_out) const {
  if (!watch_.has_line()) {
    return "The sweep needs the lock line: wire the chip's test pin to the port, with a pull-up, "
           "and give --lock";
  }
  if (watch_.state().kind == lock::LockState::Kind::unknown) {
    return "The sweep cannot read the lock: " + watch_.state().why + "; " + std::string(way_out);
  }
  return std::nullopt;
}

int BandSweep::steps() const {
  const std::int32_t span = std::abs(to_ - from_);
  return span / step_ + (span % step_ == 0 ? 1 : 2);
}

std::int32_t BandSweep::divider_of(int index) const {
  if (index + 1 >= steps()) return to_;
  return from_ + (to_ < from_ ? -1 : 1) * index * step_;
}

bool BandSweep::start_step() {
  const std::int32_t divider = next_divider();
  ++started_;
  // Already there (the start-up's divider): the slider would not move, so the word goes out
  // again as its change event sends it, and the watch starts from there.
  if (panel_.divider() == divider) {
    panel_.raise(form::Event::hscDiv_Change);
  } else {
    panel_.tune(divider);
  }
  return !panel_.failed();
}

SweepRow BandSweep::finish_step(const lock::LockState& lock) const {
  SweepRow row{stepped(), std::nullopt, panel_.step()};
  if (lock.kind == lock::LockState::Kind::locked) row.lock_time = lock.after;
  return row;
}

std::optional<SweepRow> BandSweep::step() {
  return step([this] { return watch_.settle(); });
}

std::optional<SweepRow> BandSweep::step(const std::function<lock::LockState()>& settle) {
  const bus::Clock::Held held{watch_.clock()};
  if (!start_step()) return std::nullopt;
  try {
    const lock::LockState lock = settle();
    if (panel_.failed()) return std::nullopt;
    return finish_step(lock);
  } catch (const common::FatalError& error) {
    panel_.fail(error.what());
    return std::nullopt;
  }
}

}  // namespace sweep

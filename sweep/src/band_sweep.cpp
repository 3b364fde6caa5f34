#include "sweep/band_sweep.hpp"

#include "common/fatal_error.hpp"

namespace sweep {

BandSweep::BandSweep(form::Panel& panel, lock::LockWatch& watch, std::int32_t from, std::int32_t to,
                     std::int32_t step)
    : panel_(panel), watch_(watch), from_(from), to_(to), step_(step), next_(from) {}

std::optional<std::string> BandSweep::refusal() const {
  if (!watch_.has_line()) {
    return "The sweep needs the lock line: wire the chip's test pin to the port, with a pull-up, "
           "and give --lock";
  }
  if (watch_.state().kind == lock::LockState::Kind::unknown) {
    return "The sweep cannot read the lock: " + watch_.state().why + "; add --word-b test=lock";
  }
  return std::nullopt;
}

int BandSweep::steps() const { return (to_ - from_) / step_ + 1; }

std::optional<SweepRow> BandSweep::step() {
  const std::int32_t divider = next_;
  next_ += step_;
  // Already there (the start-up's divider): the slider would not move, so the word goes out
  // again as its change event sends it, and the watch starts from there.
  if (panel_.divider() == divider) {
    panel_.raise(form::Event::hscDiv_Change);
  } else {
    panel_.tune(divider);
  }
  if (panel_.failed()) return std::nullopt;
  try {
    watch_.settle();
  } catch (const common::FatalError& error) {
    panel_.fail(error.what());
    return std::nullopt;
  }
  SweepRow row{divider, std::nullopt};
  if (watch_.state().kind == lock::LockState::Kind::locked) row.lock_time = watch_.state().after;
  return row;
}

}  // namespace sweep

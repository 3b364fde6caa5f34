#include "trace/tracing_port.hpp"

#include <algorithm>

#include "bus/port_addresses.hpp"
#include "bus/wiring.hpp"

namespace trace {

Clock clock_from_now(bus::Clock& clock) {
  const auto start = clock.now();
  return [&clock, start] { return (clock.now() - start).count(); };
}

TracingPort::TracingPort(bus::Port& inner, VcdWriter& writer, Clock clock)
    : inner_(inner), writer_(writer), clock_(std::move(clock)) {}

std::int64_t TracingPort::stamp_from(std::int64_t wanted) const {
  return std::max(wanted, writer_.last_stamp() + 1);
}

std::int64_t TracingPort::next_stamp() { return stamp_from(clock_()); }

void TracingPort::write(bus::Register target, std::uint8_t value) {
  const auto offset = inner_.queued_ns();
  inner_.write(target, value);
  const bus::LineLevels before = queued_.empty() ? writer_.levels() : queued_.back().levels;
  const bus::LineLevels levels = bus::levels_after(before, target, value);
  if (levels == before) return;
  if (offset) {
    queued_.push_back({*offset, levels});
    return;
  }
  writer_.change(next_stamp(), levels);
  const bool load_pulse_ended = before.clock && !levels.clock && !levels.enable;
  if (load_pulse_ended) writer_.flush(next_stamp());
}

void TracingPort::flush() {
  const auto end = inner_.queued_ns();
  // A port whose writes take effect at once had them recorded as they were made.
  if (!end) return inner_.flush();
  const std::int64_t start = next_stamp();
  std::vector<QueuedChange> changes;
  changes.swap(queued_);
  inner_.flush();
  if (changes.empty()) return;
  for (const auto& change : changes) {
    writer_.change(stamp_from(start + change.offset_ns), change.levels);
  }
  writer_.flush(stamp_from(start + *end));
}

bool TracingPort::lock_level() {
  const bool level = inner_.lock_level();
  writer_.lock_read(next_stamp(), level);
  return level;
}

void TracingPort::close() { writer_.close(next_stamp()); }

}  // namespace trace

#include "trace/tracing_port.hpp"

#include <algorithm>

#include "bus/line_map.hpp"
#include "bus/register_map.hpp"

namespace trace {

Clock monotonic_clock_from_now() {
  const auto start = std::chrono::steady_clock::now();
  return [start] {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() -
                                                                start)
        .count();
  };
}

TracingPort::TracingPort(bus::Port& inner, VcdWriter& writer, Clock clock)
    : inner_(inner), writer_(writer), clock_(std::move(clock)) {}

std::int64_t TracingPort::next_stamp() { return std::max(clock_(), writer_.last_stamp() + 1); }

void TracingPort::write(bus::Register target, std::uint8_t value) {
  inner_.write(target, value);
  const bus::LineLevels before = writer_.levels();
  const bus::LineLevels levels = bus::levels_after(before, target, value);
  if (levels == before) return;
  writer_.change(next_stamp(), levels);
  const bool load_pulse_ended = before.clock && !levels.clock && !levels.enable;
  if (load_pulse_ended) writer_.flush(next_stamp());
}

void TracingPort::close() { writer_.close(next_stamp()); }

}  // namespace trace

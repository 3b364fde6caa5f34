#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

#include "bus/port.hpp"
#include "trace/vcd_writer.hpp"

namespace trace {

// Nanoseconds on a monotonic clock.
using Clock = std::function<std::int64_t()>;

// `clock`'s time from now on, from 0: a port's, so that a simulated chip is traced on the times
// it measures.
Clock clock_from_now(bus::Clock& clock);

// Passes every write on to the real or simulated port and records the resulting line levels.
// Two changes in the same nanosecond are kept apart by a nanosecond, so no pulse vanishes. The
// file is flushed when a transmission ends: when the load pulse after the enable falls. For a
// port that paces the bus itself, the changes are recorded when the port sends them, at the
// times they take on the wire; changes that never reached the wire are not recorded.
class TracingPort : public bus::Port {
 public:
  TracingPort(bus::Port& inner, VcdWriter& writer, Clock clock);

  std::string name() const override { return inner_.name(); }
  std::string label() const override { return inner_.label(); }
  std::string description() const override { return inner_.description(); }
  void bind() override { inner_.bind(); }
  void write(bus::Register target, std::uint8_t value) override;
  bool hold(std::int32_t delay_count) override { return inner_.hold(delay_count); }
  std::optional<std::int64_t> queued_ns() const override { return inner_.queued_ns(); }
  void flush() override;
  std::optional<std::string> lock_line() const override { return inner_.lock_line(); }
  bool lock_level() override;
  std::chrono::nanoseconds lock_level_span() const override { return inner_.lock_level_span(); }
  bus::Clock& clock() override { return inner_.clock(); }

  // Ends the file at the current time; throws on a write error.
  void close();

 private:
  std::int64_t next_stamp();
  std::int64_t stamp_from(std::int64_t wanted) const;

  struct QueuedChange {
    std::int64_t offset_ns;  // into the pending transfer
    bus::LineLevels levels;
  };

  bus::Port& inner_;
  VcdWriter& writer_;
  Clock clock_;
  std::vector<QueuedChange> queued_;
};

}  // namespace trace

#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "bus/clock.hpp"
#include "bus/port_addresses.hpp"

namespace bus {

// One back end that reaches the parallel port's registers: real hardware, the simulated
// synthesizer, or a recorder. Every write must take effect synchronously and in call order,
// but for a port that paces the bus itself (hold): its writes and waits go out at flush().
// Writes name the register; where it lies (a base address, an ioctl, lines) is the back end's.
class Port {
 public:
  virtual ~Port() = default;

  // Who this is, for messages: "/dev/parport0 (ppdev)", "simulated SAA1057".
  virtual std::string name() const = 0;

  // What the information line says of it, short ("/dev/parport0", "0x278") and as a tooltip;
  // read afresh after every event, so a port that learns (the simulated chip) says what it
  // knows now.
  virtual std::string label() const = 0;
  virtual std::string description() const { return "Port " + name(); }

  // Acquires whatever the back end needs; called once, before the first write.
  // Throws common::FatalError naming the back end, the system's reason and the way out.
  virtual void bind() {}

  virtual void write(Register target, std::uint8_t value) = 0;

  // One bus wait of `delay_count`, for a port that holds the levels on the wire itself (a USB
  // adapter in bit-bang mode, where a spin on the host would pace nothing). False: the host
  // spins instead.
  virtual bool hold(std::int32_t /*delay_count*/) { return false; }

  // For a port that paces itself: how far into the pending transfer the next write lands, in
  // ns. Nothing for a port whose writes take effect as they are made.
  virtual std::optional<std::int64_t> queued_ns() const { return std::nullopt; }

  // A transmission is complete: a port that gathers writes puts them on the wire now.
  // Throws common::FatalError.
  virtual void flush() {}

  // The line the chip's test pin drives, for messages ("pin 10 (nAck)"); nothing for a port
  // given no lock line, whose lock is never read.
  virtual std::optional<std::string> lock_line() const { return std::nullopt; }

  // That line's level now, true for high. Only for a port with a lock line, after bind().
  // Throws common::FatalError.
  virtual bool lock_level() { return false; }
  // How long the level that lock_level() returned had been on the line when it returned: a USB
  // adapter's burst of samples, which comes back once it has all been taken.
  virtual std::chrono::nanoseconds lock_level_span() const { return {}; }

  // For a lock line whose changes the system tells (GPIO edge events): a descriptor that turns
  // readable once the line has changed. -1 for a line that must be looked at.
  virtual int lock_changes() const { return -1; }
  // Once it has turned readable: takes what it told, so that it quiets until the next change;
  // true when the line fell. Throws common::FatalError.
  virtual bool take_lock_changes() { return false; }

  // What the user must know of the lock line that bind() found, once: a pull-up refused.
  virtual std::optional<std::string> lock_line_caveat() const { return std::nullopt; }

  // The time the lock line changes in.
  virtual Clock& clock() { return steady_clock(); }
};

}  // namespace bus

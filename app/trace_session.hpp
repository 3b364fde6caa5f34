#pragma once

#include <optional>
#include <string>

#include "bus/port.hpp"
#include "trace/tracing_port.hpp"
#include "trace/vcd_writer.hpp"

namespace app {

// The optional recording of the bus lines: with a file, every write to the port is traced.
class TraceSession {
 public:
  // Creates the file at once, so that a bad path ends the program before any window.
  // Throws common::FatalError.
  TraceSession(const std::optional<std::string>& path, bus::Port& port);

  // The port to write to: the tracer, or the port itself without a file.
  bus::Port& port();

  // Completes the file. Returns `status`, or 1 when the file could not be written.
  int finish(int status);

 private:
  bus::Port& port_;
  std::optional<trace::VcdWriter> writer_;
  std::optional<trace::TracingPort> tracer_;
};

}  // namespace app

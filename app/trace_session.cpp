#include "trace_session.hpp"

#include "cli/options.hpp"
#include "common/fatal_error.hpp"
#include "fatal_report.hpp"

namespace app {

TraceSession::TraceSession(const std::optional<std::string>& path, bus::Port& port) : port_(port) {
  if (!path) return;
  writer_.emplace(*path, cli::program_version(), bus::LineLevels{}, port.lock_line().has_value());
  tracer_.emplace(port, *writer_, trace::clock_from_now(port.clock()));
}

bus::Port& TraceSession::port() {
  if (tracer_) return *tracer_;
  return port_;
}

int TraceSession::finish(int status) {
  if (!tracer_) return status;
  try {
    tracer_->close();
  } catch (const common::FatalError& error) {
    print_error(error.what());
    return 1;
  }
  return status;
}

}  // namespace app

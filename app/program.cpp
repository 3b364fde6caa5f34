#include "program.hpp"

#include <QApplication>

#include "bus/inpout.hpp"
#include "common/failure_message.hpp"
#include "common/fatal_error.hpp"
#include "fatal_report.hpp"
#include "form/form1.hpp"
#include "form/panel.hpp"
#include "headless_run.hpp"
#include "lock_monitor.hpp"
#include "port_choice/port_choice.hpp"
#include "process_platform.hpp"
#include "servers.hpp"
#include "state_keeper.hpp"
#include "station_keeper.hpp"
#include "sweep_run.hpp"
#include "trace_session.hpp"
#include "window/form1_window.hpp"

namespace app {

namespace {

int run_window(const cli::Options& options, TraceSession& trace, char* program_path) {
  int qt_argc = 1;
  char* qt_argv[] = {program_path, nullptr};
  QApplication application(qt_argc, qt_argv);
  // A steady caret: a blinking one is a timer that wakes the panel twice a second at rest.
  QApplication::setCursorFlashTime(0);
  quit_on_signals();

  bus::Inpout library{trace.port()};
  window::Form1Window window;
  form::Form1 form{window, library};
  form::Panel panel{form, window, report_fatal_from_event_loop(&window)};
  LockMonitor lock{library, trace.port(), panel, options.lock_timeout};
  StationKeeper stations{options.state};
  if (!stations.load(options.stations)) return 1;
  Servers servers{panel, trace.port(), lock, stations.offer()};
  if (!servers.start(options, [&window] { window.refresh_status(); })) return 1;
  window.attach(panel, servers.status());
  window.load();
  StateKeeper state{panel, library, options.state};
  if (!window.failed() && !state.read(options.resume)) return 1;
  if (options.resume && !window.failed()) {
    state.resume([&panel](const words::WordBChoice& word_b) { panel.send_word_b(word_b); },
                 std::nullopt);
  }
  if (!window.failed()) window.show();
  return application.exec();
}

}  // namespace

int run_program(const cli::Options& options, char* program_path) {
  const auto port = port_choice::choose_port(options);
  std::optional<TraceSession> trace;
  try {
    trace.emplace(options.trace, *port);
  } catch (const common::FatalError& error) {
    print_error(error.what());
    return 1;
  }
  if (options.sweep) return trace->finish(run_sweep(options, trace->port(), program_path));
  if (options.headless) return trace->finish(run_headless(options, trace->port(), program_path));
  if (!display_reachable()) {
    print_error(common::failure_message(
        "Cannot open the window", "no display (DISPLAY and WAYLAND_DISPLAY are unset)",
        "Start it from a desktop session, or run it with --headless"));
    return trace->finish(1);
  }
  return trace->finish(run_window(options, *trace, program_path));
}

}  // namespace app

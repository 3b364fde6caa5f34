#include "headless_run.hpp"

#include <QCoreApplication>
#include <iostream>

#include "bus/inpout.hpp"
#include "fatal_report.hpp"
#include "headless/headless_form.hpp"
#include "lock_monitor.hpp"
#include "process_platform.hpp"
#include "servers.hpp"
#include "state_keeper.hpp"
#include "station_keeper.hpp"

namespace app {

int run_headless(const cli::Options& options, bus::Port& port, char* program_path) {
  int qt_argc = 1;
  char* qt_argv[] = {program_path, nullptr};
  QCoreApplication application(qt_argc, qt_argv);
  quit_on_signals();

  bus::Inpout library{port};
  headless::HeadlessForm form{library, std::cout, report_fatal_from_event_loop(nullptr)};
  LockMonitor lock{library, port, form.panel(), options.lock_timeout};
  // "unknown" is news only when its reason is.
  std::string told;
  lock.on_decided([&form, &told](const lock::LockState& state) {
    const std::string news = lock::describe(state);
    if (news == told && state.kind == lock::LockState::Kind::unknown) return;
    told = news;
    form.log_news(news);
  });
  StationKeeper stations{options.state};
  if (!stations.load(options.stations)) return 1;
  Servers servers{form.panel(), port, lock, stations.offer()};
  if (!servers.start(options, {})) return 1;
  form.load();
  StateKeeper state{form.panel(), library, options.state};
  // A panel that failed to start ends: nothing of its state is read, nor said.
  if (!form.failed() && !state.read(options.resume)) return 1;
  // A Word B given on the command line changes the kept one's settings that it names.
  const bool resumed_word_b =
      options.resume && !form.failed() &&
      state.resume([&form](const auto& word_b) { form.send_word_b(word_b); }, options.word_b_text);
  if (const auto caveat = port.lock_line_caveat()) print_error(*caveat);
  if (options.word_b && !resumed_word_b) form.send_word_b(*options.word_b);
  return application.exec();
}

}  // namespace app

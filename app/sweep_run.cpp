#include "sweep_run.hpp"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <vector>

#include "bus/inpout.hpp"
#include "common/failure_message.hpp"
#include "fatal_report.hpp"
#include "headless/headless_form.hpp"
#include "lock/lock_watch.hpp"
#include "plot_file.hpp"
#include "process_platform.hpp"
#include "sweep/band_sweep.hpp"
#include "sweep/sweep_report.hpp"

namespace app {

namespace {

constexpr qint64 kProgressEveryMs = 2000;

// The words' log: standard output carries the rows.
class Discarded : public std::streambuf {
  int overflow(int c) override { return traits_type::not_eof(c); }
};

// A PNG plot's text is drawn in a platform's fonts, which take a QGuiApplication: on the
// offscreen platform, as a sweep has no display.
std::unique_ptr<QCoreApplication> sweep_application(int& argc, char** argv,
                                                    const cli::Options& options) {
  if (!options.plot || options.plot->format != cli::PlotFormat::png) {
    return std::make_unique<QCoreApplication>(argc, argv);
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  return std::make_unique<QGuiApplication>(argc, argv);
}

// After the sweep, however it ended: the summary, what the line's levels say of its wiring,
// the plot.
bool sum_up(std::optional<PlotFile>& plot, const sweep::BandSweep& sweep,
            const lock::LockWatch& watch, const std::vector<sweep::SweepRow>& rows,
            const std::string& line) {
  if (!sweep.done()) {
    print_error(sweep::stopped(static_cast<int>(rows.size()), sweep.steps()));
  }
  print_error(sweep::summary(rows));
  if (sweep.done()) {
    if (const auto doubt = sweep::wiring_doubt(watch.levels_read(), line)) print_error(*doubt);
  }
  return !plot || plot->write(rows);
}

}  // namespace

int run_sweep(const cli::Options& options, bus::Port& port, char* program_path) {
  int qt_argc = 1;
  char* qt_argv[] = {program_path, nullptr};
  const auto qt = sweep_application(qt_argc, qt_argv, options);
  QCoreApplication& application = *qt;
  quit_on_signals();

  bus::Inpout library{port};
  Discarded discarded;
  std::ostream word_log{&discarded};
  headless::HeadlessForm form{library, word_log, report_fatal_from_event_loop(nullptr)};
  lock::LockWatch watch{port};
  library.on_word_sent([&watch](std::string_view word) { watch.sent(word); });
  form.load();
  if (options.word_b) form.send_word_b(*options.word_b);
  // A failure at start-up is reported from the event loop, which then ends with 1.
  if (form.failed()) return application.exec();

  const auto& range = *options.sweep;
  sweep::BandSweep sweep{form.panel(), watch, range.from, range.to, range.step};
  if (const auto refusal = sweep.refusal("add --word-b test=lock")) {
    print_error(*refusal);
    return 1;
  }
  std::optional<PlotFile> plot;
  try {
    if (options.plot) plot.emplace(*options.plot);
  } catch (const common::FatalError& error) {
    print_error(error.what());
    return 1;
  }
  std::vector<sweep::SweepRow> rows;
  std::cout << sweep::csv_header() << std::endl;
  QElapsedTimer since_progress;
  since_progress.start();
  QTimer stepping;
  QObject::connect(&stepping, &QTimer::timeout, [&] {
    if (const auto row = sweep.step()) {
      rows.push_back(*row);
      if (!(std::cout << sweep::csv_row(*row) << std::endl)) {
        form.panel().fail(common::failure("Cannot write the sweep to standard output",
                                          std::strerror(errno),
                                          "Give --sweep a standard output that is open and read")
                              .what());
      }
    }
    if (sweep.done()) {
      stepping.stop();
      if (!form.failed()) QCoreApplication::exit(0);
    } else if (since_progress.elapsed() >= kProgressEveryMs) {
      since_progress.restart();
      print_error(sweep::progress(sweep.steps_done(), sweep.steps(),
                                  rows.empty() ? range.from : rows.back().divider));
    }
  });
  stepping.start(0);
  const int status = application.exec();
  if (form.failed()) return status;
  return sum_up(plot, sweep, watch, rows, *port.lock_line()) ? status : 1;
}

}  // namespace app

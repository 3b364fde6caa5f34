#include "sweep_run.hpp"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <vector>

#include "bus/inpout.hpp"
#include "common/failure_message.hpp"
#include "common/fatal_error.hpp"
#include "common/write_way_out.hpp"
#include "fatal_report.hpp"
#include "headless/headless_form.hpp"
#include "lock/lock_watch.hpp"
#include "plot_file.hpp"
#include "process_platform.hpp"
#include "sweep/band_sweep.hpp"
#include "sweep/sweep_report.hpp"
#include "words/word_b.hpp"

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

// --sweep is enough on its own: a Word B that puts the test pin on the in-lock output is sent
// where none was asked for, and said so.
words::WordBChoice lock_on_test_pin(std::optional<words::WordBChoice> asked) {
  constexpr int kInLockRow = 3;
  static_assert(words::kTestRows[kInLockRow].code == words::kTestInLock);
  words::WordBChoice word_b = asked.value_or(words::WordBChoice{});
  if (word_b.test != kInLockRow) {
    word_b.test = kInLockRow;
    print_error("The sweep puts the test pin on \"" +
                std::string(words::kTestRows[kInLockRow].item) +
                "\" with Word B (test=lock), to read the lock from it");
  }
  return word_b;
}

// A row on standard output, as a filter writes: a reader that has gone ends the sweep quietly.
enum class Written { yes, reader_gone, failed };
Written write_row(const std::string& line) {
  if (std::fputs(line.c_str(), stdout) >= 0 && std::fflush(stdout) == 0) return Written::yes;
  return errno == EPIPE ? Written::reader_gone : Written::failed;
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
  const auto timeout = watch.timeout();
  if (std::ranges::none_of(rows, [](const auto& row) { return row.lock_time.has_value(); }) &&
      timeout < lock::kLockTimeout) {
    print_error("Each step had " + std::to_string(timeout.count()) +
                " ms to lock (--lock-timeout), and a loop takes milliseconds to settle: give it " +
                "longer, such as the default " + std::to_string(lock::kLockTimeout.count()));
  }
  if (sweep.done()) {
    if (const auto doubt = sweep::wiring_doubt(watch.levels_read(), line, rows)) {
      print_error(*doubt);
    }
  }
  return !plot || plot->write(rows, watch.timeout());
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
  lock::LockWatch watch{port, options.lock_timeout};
  library.on_word_sent([&watch](std::string_view word) { watch.sent(word); });
  if (!options.simulate && port.lock_line())
    print_error("Reading the lock on " + *port.lock_line());
  {
    // The start-up's lock decided before the first step, which would only cut it short; held,
    // so that the machine's time between the two words does not shorten it either.
    const bus::Clock::Held held{watch.clock()};
    form.load();
    form.send_word_b(lock_on_test_pin(options.word_b));
    try {
      if (!form.failed()) watch.settle();
    } catch (const common::FatalError& error) {
      form.panel().fail(error.what());
    }
  }
  // A failure at start-up is reported from the event loop, which then ends with 1.
  if (form.failed()) return application.exec();
  if (const auto caveat = port.lock_line_caveat()) print_error(*caveat);

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
  bool reader_gone = false;
  const auto write = [&](const std::string& line) {
    const Written written = write_row(line + "\n");
    if (written == Written::failed) {
      const int error = errno;
      form.panel().fail(common::failure("Cannot write the sweep to standard output",
                                        std::strerror(error),
                                        common::standard_output_way_out(error, "--sweep"))
                            .what());
    }
    reader_gone = written == Written::reader_gone;
    return written == Written::yes;
  };
  if (!write(sweep::csv_header())) return reader_gone ? 0 : application.exec();
  QElapsedTimer since_progress;
  since_progress.start();
  QTimer stepping;
  QObject::connect(&stepping, &QTimer::timeout, [&] {
    if (const auto row = sweep.step()) {
      rows.push_back(*row);
      write(sweep::csv_row(*row));
    }
    if (sweep.done() || reader_gone) {
      stepping.stop();
      if (!form.failed()) QCoreApplication::exit(0);
    } else if (since_progress.elapsed() >= kProgressEveryMs) {
      since_progress.restart();
      print_error(sweep::progress(sweep.steps_done(), sweep.steps(),
                                  rows.empty() ? range.from : rows.back().divider,
                                  form.panel().step()));
    }
  });
  stepping.start(0);
  const int status = application.exec();
  if (form.failed()) return status;
  if (reader_gone) return !plot || plot->write(rows, watch.timeout()) ? 0 : 1;
  return sum_up(plot, sweep, watch, rows, *port.lock_line()) ? status : 1;
}

}  // namespace app

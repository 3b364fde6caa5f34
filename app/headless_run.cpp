#include "headless_run.hpp"

#include <QCoreApplication>
#include <iostream>

#include "bus/inpout.hpp"
#include "desktop_platform.hpp"
#include "fatal_report.hpp"
#include "headless/headless_panel.hpp"
#include "servers.hpp"

namespace app {

int run_headless(const cli::Options& options, bus::Port& port, char* program_path) {
  int qt_argc = 1;
  char* qt_argv[] = {program_path, nullptr};
  QCoreApplication application(qt_argc, qt_argv);
  quit_on_signals();

  bus::Inpout library{port};
  headless::HeadlessPanel panel{library, std::cout, report_fatal_from_event_loop(nullptr)};
  Servers servers{panel.panel(), port};
  if (!servers.start(options, {})) return 1;
  panel.load();
  if (options.word_b) panel.send_word_b(*options.word_b);
  return application.exec();
}

}  // namespace app

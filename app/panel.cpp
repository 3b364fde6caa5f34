#include "panel.hpp"

#include <QApplication>
#include <cstdlib>
#include <iostream>

#include "bus/inpout.hpp"
#include "fatal_report.hpp"
#include "form/form1.hpp"
#include "ports/port_choice.hpp"
#include "quit_on_signals.hpp"
#include "window/form1_window.hpp"

namespace app {

namespace {

// Without this check Qt aborts with a core dump when there is no display to connect to.
bool display_reachable() {
  const auto set = [](const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
  };
  return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
}

}  // namespace

int run_panel(const cli::Options& options, char* program_path) {
  if (!display_reachable()) {
    std::cerr << "saa1057-panel: cannot open the window: no display (DISPLAY and "
                 "WAYLAND_DISPLAY are unset). Start it from a desktop session.\n";
    return 1;
  }
  int qt_argc = 1;
  char* qt_argv[] = {program_path, nullptr};
  QApplication application(qt_argc, qt_argv);
  quit_on_signals();

  ports::PortChoice port = ports::choose_port(options);
  bus::Inpout library{*port.port};
  window::Form1Window window;
  form::Form1 form{window, library};
  const auto status = [&port] { return window::StatusLine{port.label(), port.description()}; };
  window.attach(form, status, [&window](const std::string& message) {
    report_fatal(window, message);
    QCoreApplication::exit(1);
  });

  window.load();
  if (window.failed()) return 1;
  window.show();
  return application.exec();
}

}  // namespace app

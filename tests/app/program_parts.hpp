#pragma once

#include <gtest/gtest.h>

#include <QLabel>
#include <string>

#include "bus/inpout.hpp"
#include "cli/options.hpp"
#include "form/form1.hpp"
#include "form/panel.hpp"
#include "lock_monitor.hpp"
#include "page_messages.hpp"
#include "servers.hpp"
#include "sim/simulated_synthesizer.hpp"
#include "window/form1_window.hpp"

namespace app_test {

// The simulated chip, whose lock line a test may hold low as a loop out of lock behind a filter.
struct Chip : sim::SimulatedSynthesizer {
  using SimulatedSynthesizer::SimulatedSynthesizer;
  bool lock_level() override { return !held_low && SimulatedSynthesizer::lock_level(); }
  bool held_low = false;
};

// The window, the panel and the servers as run_window() wires them, on the simulated chip.
struct ProgramParts {
  explicit ProgramParts(bool lock_line) : chip(lock_line) {
    EXPECT_TRUE(servers.start(cli::Options{}, [this] { window.refresh_status(); }));
    window.attach(panel, servers.status());
    window.load();
  }

  std::string shown() const { return information()->text().toStdString(); }
  std::string tooltip() const { return information()->toolTip().toStdString(); }
  QLabel* information() const { return window.findChild<QLabel*>("Label6"); }
  // What a page is told of the panel now.
  QJsonObject page_state() {
    return web::state_message(form.state(), window, servers.status()(), nullptr);
  }

  Chip chip;
  bus::Inpout library{chip};
  window::Form1Window window;
  form::Form1 form{window, library};
  form::Panel panel{form, window, [](const std::string& message) {
                      ADD_FAILURE() << "fatal error reported: \"" << message << '"';
                    }};
  app::LockMonitor lock{library, chip, panel, lock::kLockTimeout};
  app::Servers servers{panel, chip, lock};
};

}  // namespace app_test

#pragma once

#include <gtest/gtest.h>

#include <QLabel>
#include <string>

#include "bus/inpout.hpp"
#include "cli/options.hpp"
#include "form/form1.hpp"
#include "form/panel.hpp"
#include "lock_monitor.hpp"
#include "servers.hpp"
#include "sim/simulated_synthesizer.hpp"
#include "window/form1_window.hpp"

namespace app_test {

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

  sim::SimulatedSynthesizer chip;
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

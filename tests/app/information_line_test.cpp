// The window's information line as the program puts it together: the window's test sets the
// line's brief by hand, and only the program's own code says what goes in it.
#include <gtest/gtest.h>

#include <QLabel>
#include <QRegularExpression>
#include <QTest>
#include <memory>
#include <string>

#include "bus/inpout.hpp"
#include "cli/options.hpp"
#include "form/form1.hpp"
#include "form/panel.hpp"
#include "lock_monitor.hpp"
#include "servers.hpp"
#include "sim/simulated_synthesizer.hpp"
#include "window/form1_window.hpp"

namespace {

// The window, the panel and the servers as run_window() wires them, on the simulated chip.
struct Program {
  explicit Program(bool lock_line) : chip(lock_line) {
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
  app::LockMonitor lock{library, chip, panel};
  app::Servers servers{panel, chip, lock};
};

TEST(InformationLine, WithoutALockLineTheWindowShowsThePort) {
  const Program program{false};
  EXPECT_EQ(program.shown(), "Simulated: N 11690");
}

// Its label is narrow: the port and the reason go in the tooltip.
TEST(InformationLine, WithALockLineTheWindowShowsTheLockAlone) {
  Program program{true};
  EXPECT_EQ(program.shown(), "lock unknown");
  EXPECT_NE(program.tooltip().find("Simulated SAA1057: N 11690"), std::string::npos)
      << program.tooltip();
  EXPECT_NE(program.tooltip().find("lock unknown: no Word B has put the test pin on \"Output "
                                   "in-lock counter\" yet"),
            std::string::npos)
      << program.tooltip();

  constexpr int kInLockRow = 3;
  program.panel.choose(form::Control::lstTest, kInLockRow);
  program.panel.raise(form::Event::cmdSend_Click);
  const QRegularExpression locked(QRegularExpression::anchoredPattern("locked after \\d+\\.\\d ms"));
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return locked.match(program.information()->text()).hasMatch(); }, 5000))
      << "waited 5 s for the lock alone; the line shows \"" << program.shown() << '"';
}

}  // namespace

// The program's own parts put together as run_window() wires them, on the simulated chip: the
// window's information line (the window's test sets its brief by hand, only the program's own
// code says what goes in it), what a page is told, and a page's sweep meeting a tuning.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>
#include <optional>
#include <string>

#include "bus/inpout.hpp"
#include "cli/options.hpp"
#include "form/form1.hpp"
#include "form/panel.hpp"
#include "lock_monitor.hpp"
#include "page_messages.hpp"
#include "page_sweep.hpp"
#include "servers.hpp"
#include "sim/simulated_synthesizer.hpp"
#include "window/form1_window.hpp"

namespace {

// The simulated chip, whose lock line a test may hold low as a loop out of lock behind a filter.
struct Chip : sim::SimulatedSynthesizer {
  using SimulatedSynthesizer::SimulatedSynthesizer;
  bool lock_level() override { return !held_low && SimulatedSynthesizer::lock_level(); }
  bool held_low = false;
};

struct Program {
  explicit Program(bool lock_line) : chip(lock_line) {
    EXPECT_TRUE(servers.start(cli::Options{}, [this] { window.refresh_status(); }));
    window.attach(panel, servers.status());
    window.load();
  }

  // Expects the information line to show `pattern` within 5 s.
  void expect_shows(const QString& pattern) {
    const QRegularExpression line(QRegularExpression::anchoredPattern(pattern));
    EXPECT_TRUE(QTest::qWaitFor([&] { return line.match(information()->text()).hasMatch(); }, 5000))
        << "waited 5 s for " << pattern.toStdString() << "; the line shows: " << shown();
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

// Without a lock line the window shows the port; with one, the lock alone, as its label is
// narrow: the port and the reason go in the tooltip. The page is told the word the chip was sent,
// whatever a box of the window holds. Then a page's sweep meets a tuning, the one case no page
// can time: landing after a step's lock is decided and before the next step goes out.
TEST(InformationLine, WithALockLineTheWindowShowsTheLockAloneAsASweepGoesOn) {
  EXPECT_EQ(Program{false}.shown(), "Simulated: N 11690");
  Program program{true};
  EXPECT_EQ(program.shown(), "lock unknown");
  auto* box = program.window.findChild<QLineEdit*>("txtFM");
  box->selectAll();
  QTest::keyClicks(box, "95.3");  // the form never reads it
  ASSERT_EQ(box->text(), "95.3");
  EXPECT_EQ(program.page_state()["frequency"].toString(), "106.2");
  for (const char* part : {"Simulated SAA1057: N 11690",
                           "lock unknown: no Word B has put the test pin on \"Output in-lock "
                           "counter\" yet"}) {
    EXPECT_NE(program.tooltip().find(part), std::string::npos) << program.tooltip();
  }
  // Word B's test row "Output in-lock counter", sent.
  program.panel.choose(form::Control::lstTest, 3);
  program.panel.raise(form::Event::cmdSend_Click);
  program.expect_shows("locked after \\d+\\.\\d ms");

  // Then lost while tuned, plainly on the page (in its alert colour), and regained.
  program.chip.held_low = true;
  program.expect_shows("lock lost");
  const QRegularExpression lost("lock lost at \\d\\d:\\d\\d:\\d\\d, locked for \\d+\\.\\d s");
  EXPECT_TRUE(lost.match(QString::fromStdString(program.tooltip())).hasMatch())
      << program.tooltip();
  EXPECT_TRUE(program.page_state()["statusAlert"].toBool());
  program.chip.held_low = false;
  program.expect_shows("lock regained");
  EXPECT_FALSE(program.page_state()["statusAlert"].toBool());

  app::PageSweep sweep{program.panel, program.lock, "the test pin"};
  std::optional<web::SweepOutcome> outcome;
  sweep.on_finished([&](const web::SweepOutcome& finished) { outcome = finished; });
  // Heard after the sweep has taken the first step's lock: a rigctld client's tuning, say.
  program.lock.on_decided([&](const lock::LockState&) {
    if (!sweep.progress().empty()) program.panel.tune(9000);
  });
  ASSERT_EQ(sweep.start("75.3-76.3/0.1"), std::nullopt);
  ASSERT_TRUE(QTest::qWaitFor([&] { return outcome.has_value(); }, 5000)) << sweep.progress();
  EXPECT_EQ(outcome->notes,
            std::vector<std::string>{"the sweep stopped after 1 of 11 steps: the divider was moved "
                                     "to 9000"});
  QTest::qWait(50);
  EXPECT_EQ(program.panel.divider(), 9000);
}

}  // namespace

// A page's sweep on the simulated chip, where its steps meet tunings from elsewhere: the one
// case no page can time, a tuning that lands after a step's lock is decided and before the
// next step goes out.
#include "page_sweep.hpp"

#include <gtest/gtest.h>

#include <QTest>
#include <optional>

#include "program_parts.hpp"

namespace {

TEST(PageSweep, ATuningBetweenTwoStepsStopsItThereAndIsKept) {
  app_test::ProgramParts program{true};
  constexpr int kInLockRow = 3;
  program.panel.choose(form::Control::lstTest, kInLockRow);
  program.panel.raise(form::Event::cmdSend_Click);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !program.lock.watch().waiting(); }, 5000));

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

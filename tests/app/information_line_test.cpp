// The window's information line as the program puts it together: the window's test sets the
// line's brief by hand, and only the program's own code says what goes in it.
#include <gtest/gtest.h>

#include <QLabel>
#include <QRegularExpression>
#include <QTest>
#include <string>

#include "program_parts.hpp"

namespace {

using Program = app_test::ProgramParts;

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
  const QRegularExpression locked(
      QRegularExpression::anchoredPattern("locked after \\d+\\.\\d ms"));
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return locked.match(program.information()->text()).hasMatch(); }, 5000))
      << "waited 5 s for the lock alone; the line shows \"" << program.shown() << '"';

  // Then lost while tuned, plainly on the page (in its alert colour), and regained.
  const QRegularExpression lost("lock lost at \\d\\d:\\d\\d:\\d\\d, locked for \\d+\\.\\d s");
  program.chip.held_low = true;
  EXPECT_TRUE(QTest::qWaitFor([&] { return program.shown() == "lock lost"; }, 5000))
      << "waited 5 s for the loss; the line shows \"" << program.shown() << '"';
  EXPECT_TRUE(lost.match(QString::fromStdString(program.tooltip())).hasMatch())
      << program.tooltip();
  EXPECT_TRUE(program.page_state()["statusAlert"].toBool());
  program.chip.held_low = false;
  EXPECT_TRUE(QTest::qWaitFor([&] { return program.shown() == "lock regained"; }, 5000))
      << "waited 5 s for the lock regained; the line shows \"" << program.shown() << '"';
  EXPECT_FALSE(program.page_state()["statusAlert"].toBool());
}

}  // namespace

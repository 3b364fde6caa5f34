// What the page is told of the panel: the word the chip was sent, whatever a box of the window
// holds.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>

#include "program_parts.hpp"

namespace {

TEST(PageState, TellsTheFrequencySentNotTheTextTypedInTheMhzBox) {
  app_test::ProgramParts program{false};
  auto* box = program.window.findChild<QLineEdit*>("txtFM");
  box->selectAll();
  QTest::keyClicks(box, "95.3");  // the form never reads it
  ASSERT_EQ(box->text(), "95.3");
  const auto state = program.page_state();
  EXPECT_EQ(state["frequency"].toString(), "106.2");
  EXPECT_EQ(state["divider"].toInt(), 11690);
}

}  // namespace

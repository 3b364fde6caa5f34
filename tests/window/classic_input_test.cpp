// The lists and sliders answer the mouse, the keys and the wheel as the classic controls do.
#include <QApplication>
#include <QListWidget>
#include <QScrollBar>
#include <QWheelEvent>

#include "support/window_on_chip.hpp"

namespace {

using ClassicInput = support::WindowOnChipTest;

// With nothing chosen the first arrow chooses the first item; a chosen item stays chosen.
TEST_F(ClassicInput, AOneRowListChoosesItsFirstItemFirstAndKeepsItsChoice) {
  start();
  auto* test = control<QListWidget>("lstTest");
  QTest::keyClick(test, Qt::Key_Up);
  EXPECT_EQ(window.selected_index(form::Control::lstTest), 0);
  auto* phase = control<QListWidget>("lstPhase");
  QTest::keyClick(phase, Qt::Key_Down);
  EXPECT_EQ(window.selected_index(form::Control::lstPhase), 0);
  QTest::keyClick(phase, Qt::Key_Down);  // "On"
  QTest::mouseClick(phase->viewport(), Qt::LeftButton, Qt::ControlModifier,
                    phase->visualItemRect(phase->item(1)).center());
  EXPECT_EQ(window.selected_index(form::Control::lstPhase), 1);
  QTest::keyClick(phase, Qt::Key_Space, Qt::ControlModifier);
  EXPECT_EQ(window.selected_index(form::Control::lstPhase), 1);
}

TEST_F(ClassicInput, OneWheelNotchIsOneSmallChange) {
  start();
  // Eighths of a degree, up and sideways, as wheels report them: 120 is a notch turned away.
  const auto turn = [](QScrollBar* bar, int up, int sideways = 0) {
    const QPointF centre = bar->rect().center();
    QWheelEvent wheel(centre, bar->mapToGlobal(centre), {}, {sideways, up}, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(bar, &wheel);
  };
  auto* divider = control<QScrollBar>("hscDiv");
  const std::pair<int, int> notches[] = {{120, 0}, {-60, 0}, {-60, 0}, {0, 120}};
  const int loaded[] = {11680, 11680, 11690, 11680};  // half a notch of a fine wheel waits
  for (int i = 0; i < 4; ++i) {
    turn(divider, notches[i].first, notches[i].second);
    EXPECT_EQ(chip.decoded_word_a()->divider, loaded[i]) << i;
  }
  EXPECT_EQ(transmissions(), 4);
  turn(control<QScrollBar>("scvDel"), -240);
  EXPECT_EQ(form.state().iDel, 102);
}

}  // namespace

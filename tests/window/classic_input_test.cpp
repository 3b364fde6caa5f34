// The lists and sliders answer the mouse and keys as the classic controls do.
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QWheelEvent>

#include "support/panel.hpp"

namespace {

using ClassicInput = support::PanelTest;

int divider_loaded(const sim::SimulatedSynthesizer& chip) { return chip.decoded_word_a()->divider; }

// Eighths of a degree, as wheels report them: 120 is one notch turned away from the user.
void turn_wheel(QScrollBar* bar, int vertical, int sideways = 0) {
  const QPointF centre = bar->rect().center();
  QWheelEvent wheel(centre, bar->mapToGlobal(centre), {}, {sideways, vertical}, Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(bar, &wheel);
}

TEST_F(ClassicInput, ControlClickOnTheChosenItemKeepsIt) {
  start();
  auto* phase = control<QListWidget>("lstPhase");
  const QPoint on = phase->visualItemRect(phase->item(0)).center();
  QTest::mouseClick(phase->viewport(), Qt::LeftButton, {}, on);
  QTest::keyClick(phase, Qt::Key_Down);  // "On"
  QTest::mouseClick(phase->viewport(), Qt::LeftButton, Qt::ControlModifier,
                    phase->visualItemRect(phase->item(1)).center());
  EXPECT_EQ(window.selected_index(form::Control::lstPhase), 1);
  QTest::keyClick(phase, Qt::Key_Space, Qt::ControlModifier);
  EXPECT_EQ(window.selected_index(form::Control::lstPhase), 1);
  EXPECT_EQ(control<QLineEdit>("txtB")->text(), "1100000101000000");
}

TEST_F(ClassicInput, TheFirstArrowKeyChoosesTheFirstItem) {
  start();
  auto* test = control<QListWidget>("lstTest");
  QTest::keyClick(test, Qt::Key_Up);
  EXPECT_EQ(window.selected_index(form::Control::lstTest), 0);
  auto* phase = control<QListWidget>("lstPhase");
  QTest::keyClick(phase, Qt::Key_Down);
  EXPECT_EQ(window.selected_index(form::Control::lstPhase), 0);
  QTest::keyClick(phase, Qt::Key_Down);
  EXPECT_EQ(window.selected_index(form::Control::lstPhase), 1);
  EXPECT_EQ(control<QLineEdit>("txtB")->text(), "1100000101000000");
}

TEST_F(ClassicInput, OneWheelNotchIsOneSmallChange) {
  start();
  auto* divider = control<QScrollBar>("hscDiv");
  turn_wheel(divider, 120);  // away from the user: down the band
  EXPECT_EQ(divider_loaded(chip), 11680);
  EXPECT_EQ(transmissions(), 2);
  turn_wheel(divider, -60);  // half a notch of a fine wheel does nothing yet
  EXPECT_EQ(transmissions(), 2);
  turn_wheel(divider, -60);
  EXPECT_EQ(divider_loaded(chip), 11690);
  turn_wheel(divider, 0, 120);  // a sideways wheel
  EXPECT_EQ(divider_loaded(chip), 11680);

  auto* speed = control<QScrollBar>("scvDel");
  turn_wheel(speed, -240);
  EXPECT_EQ(form.state().iDel, 102);
}

}  // namespace

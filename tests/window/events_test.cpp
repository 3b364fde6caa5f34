#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "bus/unavailable_port.hpp"
#include "panel_fixture.hpp"

namespace {

using Events = PanelTest;

TEST_F(Events, CreatingTheWindowRaisesNoEvent) {
  EXPECT_FALSE(library.bound());
  EXPECT_EQ(control<QLineEdit>("txtFM")->text(), "");
  EXPECT_EQ(control<QScrollBar>("hscDiv")->value(), 9820);
}

TEST_F(Events, StartUpShowsTheStartSettingsAndTransmitsOnce) {
  start();
  EXPECT_EQ(control<QLineEdit>("txtFM")->text(), "106.2");
  EXPECT_EQ(control<QLineEdit>("txtDiv")->text(), "11690");
  EXPECT_EQ(control<QLineEdit>("txtA")->text(), "0010110110101010");
  EXPECT_EQ(control<QLineEdit>("txtB")->text(), "1100000100000000");
  EXPECT_EQ(control<QScrollBar>("hscDiv")->value(), 11690);
  EXPECT_EQ(transmissions(), 1);
  EXPECT_EQ(divider_loaded(), 11690);
  EXPECT_EQ(form.state().iDel, 100);
}

TEST_F(Events, TheFirstControlOfTheTabOrderHasTheFocus) {
  start();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  EXPECT_EQ(QApplication::focusWidget(), control<QLineEdit>("txtB"));
}

TEST_F(Events, InformationLineShowsWhatTheSimulatedChipLoaded) {
  start();
  auto* label = control<QLabel>("Label6");
  EXPECT_EQ(label->text(), "Simulated: N 11690");
  EXPECT_LE(label->sizeHint().width(), label->width());
  EXPECT_TRUE(label->toolTip().startsWith("Simulated SAA1057: N 11690, 106.2 MHz"));
}

TEST_F(Events, ArrowClickTunesByOneStepAndTransmitsOnce) {
  start();
  auto* bar = control<QScrollBar>("hscDiv");
  QTest::mouseClick(bar, Qt::LeftButton, {}, centre_of(bar, QStyle::SC_ScrollBarAddLine));
  EXPECT_EQ(bar->value(), 11700);
  EXPECT_EQ(transmissions(), 2);
  EXPECT_EQ(divider_loaded(), 11700);
  EXPECT_EQ(control<QLineEdit>("txtFM")->text(), "106.3");
  EXPECT_EQ(control<QLabel>("Label6")->text(), "Simulated: N 11700");

  QTest::mouseClick(bar, Qt::LeftButton, {}, centre_of(bar, QStyle::SC_ScrollBarSubLine));
  EXPECT_EQ(divider_loaded(), 11690);
  EXPECT_EQ(transmissions(), 3);
}

TEST_F(Events, TrackClickTunesByOneMegahertz) {
  start();
  auto* bar = control<QScrollBar>("hscDiv");
  QTest::mouseClick(bar, Qt::LeftButton, {}, centre_of(bar, QStyle::SC_ScrollBarSubPage));
  EXPECT_EQ(bar->value(), 11590);
  EXPECT_EQ(divider_loaded(), 11590);
  EXPECT_EQ(transmissions(), 2);
}

TEST_F(Events, KeyboardTunesTheFocusedSlider) {
  start();
  auto* bar = control<QScrollBar>("hscDiv");
  bar->setFocus();
  QTest::keyClick(bar, Qt::Key_Right);
  EXPECT_EQ(divider_loaded(), 11700);
  QTest::keyClick(bar, Qt::Key_PageDown);
  EXPECT_EQ(divider_loaded(), 11800);
  QTest::keyClick(bar, Qt::Key_Up);
  QTest::keyClick(bar, Qt::Key_PageUp);
  EXPECT_EQ(divider_loaded(), 11690);
  QTest::keyClick(bar, Qt::Key_End);
  EXPECT_EQ(divider_loaded(), 13070);
  EXPECT_EQ(control<QLineEdit>("txtFM")->text(), "120");
  QTest::keyClick(bar, Qt::Key_Down);  // already at the end: no change, no transmission
  EXPECT_EQ(transmissions(), 6);
  QTest::keyClick(bar, Qt::Key_Home);
  EXPECT_EQ(control<QLineEdit>("txtFM")->text(), "63");
}

TEST_F(Events, DraggingTheThumbTransmitsOnceOnRelease) {
  start();
  auto* bar = control<QScrollBar>("hscDiv");
  const QPoint from = centre_of(bar, QStyle::SC_ScrollBarSlider);
  const auto send_mouse = [bar](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
    QMouseEvent event(type, at, bar->mapToGlobal(at), Qt::LeftButton, buttons, {});
    QApplication::sendEvent(bar, &event);
  };
  send_mouse(QEvent::MouseButtonPress, from, Qt::LeftButton);
  for (int dx = 5; dx <= 30; dx += 5) {
    send_mouse(QEvent::MouseMove, from + QPoint(-dx, 0), Qt::LeftButton);
  }
  EXPECT_EQ(transmissions(), 1);
  send_mouse(QEvent::MouseButtonRelease, from + QPoint(-30, 0), Qt::NoButton);
  EXPECT_EQ(transmissions(), 2);
  EXPECT_LT(divider_loaded(), 11690);
  EXPECT_EQ(divider_loaded(), bar->value());
}

TEST_F(Events, BusSpeedSliderChangesOnlyLaterWaits) {
  start();
  auto* speed = control<QScrollBar>("scvDel");
  QTest::mouseClick(speed, Qt::LeftButton, {}, centre_of(speed, QStyle::SC_ScrollBarAddLine));
  EXPECT_EQ(form.state().iDel, 101);
  QTest::mouseClick(speed, Qt::LeftButton, {}, centre_of(speed, QStyle::SC_ScrollBarAddPage));
  EXPECT_EQ(form.state().iDel, 141);
  speed->setFocus();
  QTest::keyClick(speed, Qt::Key_Down);
  EXPECT_EQ(form.state().iDel, 142);
  EXPECT_EQ(transmissions(), 1);

  support::spins().clear();
  auto* send = control<QPushButton>("cmdSend");
  QTest::mouseClick(send, Qt::LeftButton);
  EXPECT_EQ(support::spins().front(), 142);
}

TEST_F(Events, ToggleButtonsRewriteTheirLabelsWithoutTransmitting) {
  start();
  QTest::mouseClick(control<QPushButton>("cmdREFH"), Qt::LeftButton);
  QTest::mouseClick(control<QPushButton>("cmdSLA"), Qt::LeftButton);
  QTest::mouseClick(control<QPushButton>("cmdBRM"), Qt::LeftButton);
  EXPECT_EQ(control<QLabel>("lblREFH")->text(), "1.25 Khz Reference frequency");
  EXPECT_EQ(control<QLabel>("lblSLA")->text(), "Load mode - synchronous");
  EXPECT_EQ(control<QLabel>("lblBRM")->text(), "Current switched");
  EXPECT_EQ(control<QLineEdit>("txtB")->text(), "1110000110010000");
  EXPECT_EQ(transmissions(), 1);
}

TEST_F(Events, ListChoicesByMouseAndKeyboardSetTheirCodes) {
  start();
  auto* current = control<QListWidget>("lstCurrent");
  QTest::mouseClick(current->viewport(), Qt::LeftButton, {},
                    current->visualItemRect(current->item(0)).center());
  EXPECT_EQ(form.state().sCurrent, "0000");
  for (int i = 0; i < 4; ++i) QTest::keyClick(current, Qt::Key_Down);
  EXPECT_EQ(current->selectedItems().front()->text(), "2.3");

  auto* phase = control<QListWidget>("lstPhase");
  QTest::mouseClick(phase->viewport(), Qt::LeftButton, {},
                    phase->visualItemRect(phase->item(0)).center());
  QTest::keyClick(phase, Qt::Key_End);

  auto* test = control<QListWidget>("lstTest");
  QTest::mouseClick(test->viewport(), Qt::LeftButton, {},
                    test->visualItemRect(test->item(0)).center());
  QTest::keyClick(test, Qt::Key_Down);

  EXPECT_EQ(control<QLineEdit>("txtB")->text(), "1101110101100100");
  EXPECT_EQ(transmissions(), 1);
}

TEST_F(Events, SendWordBTransmitsTheCurrentWordB) {
  start();
  QTest::mouseClick(control<QPushButton>("cmdREFH"), Qt::LeftButton);
  auto* send = control<QPushButton>("cmdSend");
  QTest::mouseClick(send, Qt::LeftButton);
  EXPECT_EQ(chip.word_b(), "1110000100000000");
  QTest::mouseClick(send, Qt::LeftButton);
  EXPECT_EQ(transmissions(), 3);
  EXPECT_EQ(chip.counts().malformed_words, 0);
  EXPECT_NE(control<QLabel>("Label6")->toolTip().indexOf("Word B REFH 1.25 kHz"), -1);
}

TEST(WindowFailure, APortFailureAtStartUpIsReportedAndStopsEvents) {
  bus::UnavailablePort port{"the test has none."};
  bus::Inpout library{port};
  window::Form1Window window;
  form::Form1 form{window, library, support::counting_spin};
  std::vector<std::string> messages;
  window.attach(form, {}, [&](const std::string& message) { messages.push_back(message); });
  window.load();
  EXPECT_TRUE(window.failed());
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages.front().find("--simulate"), std::string::npos);

  QTest::mouseClick(window.findChild<QPushButton*>("cmdSend"), Qt::LeftButton);
  EXPECT_EQ(messages.size(), 1u);
}

}  // namespace

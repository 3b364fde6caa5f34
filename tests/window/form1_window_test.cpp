#include "window/form1_window.hpp"

#include <gtest/gtest-spi.h>

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QWheelEvent>
#include <limits>
#include <map>

#include "lock/lock_watch.hpp"
#include "support/golden.hpp"
#include "support/window_on_chip.hpp"

namespace {

using Window = support::WindowOnChipTest;

// A control as window.txt gives it.
std::string row_of(const QWidget& control, const QWidget& window) {
  const QRect place = control.geometry();
  const QVariant text =
      control.property(qobject_cast<const QGroupBox*>(&control) ? "title" : "text");
  const QFont font = control.font();
  const QString font_text = QString("%1 %2 %3 %4")
                                .arg(font.families().value(0), QString::number(font.pointSizeF()),
                                     font.bold() ? "bold" : "regular",
                                     QFontInfo(font).fixedPitch() ? "fixed" : "proportional");
  QStringList colours, more;
  for (const auto role : {QPalette::Base, QPalette::Text}) {
    const QColor colour = control.palette().color(role);
    if (colour != window.palette().color(role)) {
      colours << (role == QPalette::Base ? "background " : "text ") + colour.name();
    }
  }
  for (const char* name : {"orientation", "invertedAppearance", "minimum", "maximum", "singleStep",
                           "pageStep", "value", "tracking", "wordWrap", "selectionMode"}) {
    if (const QVariant value = control.property(name); value.isValid()) {
      more << QString(name) + " " + value.toString();
    }
  }
  if (auto* box = qobject_cast<const QLineEdit*>(&control)) {
    more << (box->alignment() & Qt::AlignRight ? "right-aligned" : "left-aligned");
  }
  if (auto* list = qobject_cast<const QListWidget*>(&control)) {
    for (int i = 0; i < list->count(); ++i) more << "item " + list->item(i)->text();
    more << QString::number(list->selectedItems().size()) + " selected";
  }
  if (!control.toolTip().isEmpty()) more << "tooltip " + control.toolTip();
  return QStringList{
      control.objectName(),
      control.metaObject()->className(),
      control.parentWidget()->objectName(),
      QString("%1 %2 %3 %4").arg(place.x()).arg(place.y()).arg(place.width()).arg(place.height()),
      "tab " + control.property("tabIndex").toString(),
      text.isValid() ? text.toString() : "-",
      font == window.font() ? "default" : font_text,
      colours.isEmpty() ? "default" : colours.join(", "),
      more.isEmpty() ? "-" : more.join(", ")}
      .join(" | ")
      .toStdString();
}

TEST_F(Window, ShowsEveryControlInItsPlaceWithItsTextFontAndColours) {
  start();
  std::vector<std::string> rows{QString("Form1 | %1 | %2 x %3")
                                    .arg(window.windowTitle())
                                    .arg(window.width())
                                    .arg(window.height())
                                    .toStdString()};
  for (const auto* control : window.findChildren<QWidget*>()) {
    const QWidget* container = control->parentWidget();
    if (container == &window || qobject_cast<const QGroupBox*>(container)) {
      rows.push_back(row_of(*control, window));
    }
  }
  support::expect_golden(rows, "window.txt");
  auto* information = control<QLabel>("Label6");
  EXPECT_LE(information->sizeHint().width(), information->width()) << "the information line is cut";
}

TEST_F(Window, TheInformationLineShowsEachLockStateWholeWhereALockLineIsRead) {
  using Kind = lock::LockState::Kind;
  const std::map<std::string, Kind> kinds{
      {"locked", Kind::locked},    {"not_locked", Kind::not_locked}, {"replaced", Kind::replaced},
      {"waiting", Kind::waiting},  {"unknown", Kind::unknown},       {"lost", Kind::lost},
      {"regained", Kind::regained}};
  start();
  auto* information = control<QLabel>("Label6");
  for (const auto& row : support::golden("information_line.txt")) {
    const auto columns = support::fields(row);
    const auto kind = support::split(columns[0], " ");
    const lock::LockState state{kinds.at(kind[0]), std::chrono::microseconds(std::stoll(kind[1])),
                                "", ""};
    window.attach(panel, [&state] {
      return form::StatusLine{lock::describe(state), "", lock::headline(state), false};
    });
    window.refresh_status();
    EXPECT_EQ(information->text().toStdString(), columns[1]);
    EXPECT_LE(information->sizeHint().width(), information->width()) << row << " is cut";
  }
}

TEST_F(Window, TheTabKeyVisitsTheControlsInTheirTabOrderFromTxtB) {
  // The controls that take the focus, by their places in the tab order; labels and frames never.
  const char* order[] = {"txtB",     "txtFM",      "txtA",   "cmdREFH", "cmdSLA",
                         "lstPhase", "lstCurrent", "cmdBRM", "lstTest", "txtDiv",
                         "hscDiv",   "cmdSend",    "scvDel", "txtB"};
  start();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  for (const char* name : order) {
    ASSERT_EQ(QApplication::focusWidget()->objectName(), name);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  }
}

TEST_F(Window, KeysMoveBothScrollBarsAndEveryNewDividerIsSent) {
  start();
  std::map<std::string, int> values{{"hscDiv", 11690}, {"scvDel", 100}};
  long sent = 1;  // at start-up
  for (const auto& row : support::golden("keys.txt")) {
    const auto columns = support::fields(row);  // scroll bar | key | value
    auto* bar = control<QScrollBar>(columns[0]);
    QTest::keyClick(bar, QKeySequence(QString::fromStdString(columns[1]))[0].key());
    const int value = std::stoi(columns[2]);
    if (columns[0] == "hscDiv" && value != values["hscDiv"]) ++sent;
    values[columns[0]] = value;
    EXPECT_EQ(bar->value(), value) << row;
    EXPECT_EQ(transmissions(), sent) << row;
    EXPECT_EQ(chip.decoded_word_a()->divider, values["hscDiv"]) << row;
    EXPECT_EQ(form.state().iDel, values["scvDel"]) << row;
  }
  // A procedure's value raises the change only when it is new.
  window.set_value(form::Control::hscDiv, values["hscDiv"]);
  window.set_value(form::Control::hscDiv, 11000);
  EXPECT_EQ(transmissions(), sent + 1);
}

// What --word-b does headless, done on the window: the toggles pressed, the rows chosen as a
// click would, then one transmission of the Word B they compose.
TEST_F(Window, ThePanelSetsWordBAsAUserWouldAndSendsItOnce) {
  start();
  const long sent = transmissions();
  panel.send_word_b({.refh = true, .sla = true, .brm = true, .current = 4, .phase = 2, .test = 3});
  // "11", REFH 1, current 2.3 = 1110, "1", SLA 1, phase Off = 11, BRM 1, test lock = 0101.
  EXPECT_EQ(chip.word_b(), "1111110111110101");
  EXPECT_EQ(transmissions(), sent + 1);
  EXPECT_EQ(control<QListWidget>("lstCurrent")->currentItem()->text(), "2.3");
  EXPECT_EQ(control<QListWidget>("lstPhase")->currentItem()->text(), "Off");
  EXPECT_EQ(control<QLabel>("lblBRM")->text(), "Current switched");
}

TEST_F(Window, AFatalErrorFailsTheTestAndEndsTheEvents) {
  start();
  auto* speed = control<QScrollBar>("scvDel");
  speed->setMaximum(std::numeric_limits<int>::max());
  speed->setValue(300'000'000);  // far beyond the slider's range: iDel x 10 overflows
  EXPECT_NONFATAL_FAILURE(click("cmdSend"),
                          "\"Arithmetic overflow in the bus wait (iDel x 10): 300000000 x 10 does "
                          "not fit in 32 bits.\"");
  EXPECT_TRUE(window.failed());
  support::wire().clear();
  click("cmdSend");  // a second report would fail this test
  QTest::keyClick(control<QScrollBar>("hscDiv"), Qt::Key_Right);
  EXPECT_TRUE(support::wire().empty());
}

// The lists and sliders answer the mouse, the keys and the wheel as the classic controls do.
// With nothing chosen the first arrow chooses the first item; a chosen item stays chosen.
TEST_F(Window, AOneRowListChoosesItsFirstItemFirstAndKeepsItsChoice) {
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

TEST_F(Window, OneWheelNotchIsOneSmallChange) {
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

#include "window/form1_window.hpp"

#include <gtest/gtest-spi.h>

#include <QAccessible>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMetaEnum>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <algorithm>
#include <limits>
#include <map>
#include <sstream>

#include "bus/inpout.hpp"
#include "cli/word_b_argument.hpp"
#include "form/form1.hpp"
#include "headless/headless_form.hpp"
#include "lock/lock_watch.hpp"
#include "sim/simulated_synthesizer.hpp"
#include "state/panel_state.hpp"
#include "support/golden.hpp"
#include "support/wire.hpp"

namespace {

// The real window on the simulated synthesizer, with every port write and wait on the wire.
// A fatal error reported during a test fails it.
class Window : public ::testing::Test {
 protected:
  // Start-up, then the window on the screen.
  void SetUp() override {
    support::wire().clear();
    window.attach(panel, [this] { return form::StatusLine{chip.label(), chip.description(), {}}; });
    window.load();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  }

  template <typename Widget>
  Widget* control(const std::string& name) {
    auto* widget = window.findChild<Widget*>(QString::fromStdString(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }

  void click(const std::string& button) {
    QTest::mouseClick(control<QAbstractButton>(button), Qt::LeftButton);
  }

  long transmissions() const { return chip.counts().words_loaded; }

  sim::SimulatedSynthesizer chip;
  support::RecordingPort port{&chip};
  bus::Inpout library{port};
  window::Form1Window window;
  form::Form1 form{window, library, support::counting_spin};
  form::Panel panel{form, window, [](const std::string& message) {
                      ADD_FAILURE() << "fatal error reported: \"" << message << '"';
                    }};
};

// A control as window.txt gives it.
std::string row_of(const QWidget& control, const QWidget& window) {
  const QVariant text =
      control.property(qobject_cast<const QGroupBox*>(&control) ? "title" : "text");
  const QFont font = control.font();
  const QString font_text = QString("%1 %2 %3 %4")
                                .arg(font.families().value(0), QString::number(font.pointSizeF()),
                                     font.bold() ? "bold" : "regular",
                                     QFontInfo(font).fixedPitch() ? "fixed" : "proportional");
  QStringList colours, more;
  for (const auto role : {QPalette::Base, QPalette::Text}) {
    if (const QColor colour = control.palette().color(role); colour != window.palette().color(role))
      colours << (role == QPalette::Base ? "background " : "text ") + colour.name();
  }
  for (const char* name : {"orientation", "invertedAppearance", "minimum", "maximum", "singleStep",
                           "pageStep", "value", "tracking", "wordWrap", "selectionMode"}) {
    if (const QVariant value = control.property(name); value.isValid())
      more << QString(name) + " " + value.toString();
  }
  if (auto* box = qobject_cast<const QLineEdit*>(&control))
    more << (box->alignment() & Qt::AlignRight ? "right-aligned" : "left-aligned");
  if (auto* list = qobject_cast<const QListWidget*>(&control)) {
    for (int i = 0; i < list->count(); ++i) more << "item " + list->item(i)->text();
    more << QString::number(list->selectedItems().size()) + " selected";
  }
  if (!control.toolTip().isEmpty()) more << "tooltip " + control.toolTip();
  // What a screen reader is told, through the platform's bridge (on Windows too).
  QAccessibleInterface* told =
      QAccessible::queryAccessibleInterface(const_cast<QWidget*>(&control));
  const QString value = told->text(QAccessible::Value);
  const QStringList spoken{QMetaEnum::fromType<QAccessible::Role>().valueToKey(told->role()),
                           told->text(QAccessible::Name), told->text(QAccessible::Description),
                           value.isEmpty() ? "-" : value};
  const QRect at = control.geometry();
  return QString("%1 | %2 | %3 | %4 | %5 | %6 | %7 | %8 | %9 | ")
      .arg(control.objectName(), control.metaObject()->className(),
           control.parentWidget()->objectName(),
           QString("%1 %2 %3 %4").arg(at.x()).arg(at.y()).arg(at.width()).arg(at.height()),
           "tab " + control.property("tabIndex").toString(), text.isValid() ? text.toString() : "-",
           font == window.font() ? "default" : font_text,
           colours.isEmpty() ? "default" : colours.join(", "),
           more.isEmpty() ? "-" : more.join(", "))
      .append(spoken.join(" | "))
      .toStdString();
}

TEST_F(Window, ShowsEveryControlInItsPlaceStartsUpAndTabsInOrder) {
  std::vector<std::string> rows{"Form1 | " + window.windowTitle().toStdString() + " | " +
                                std::to_string(window.width()) + " x " +
                                std::to_string(window.height())};
  for (const auto* control : window.findChildren<QWidget*>()) {
    if (const QWidget* container = control->parentWidget();
        container == &window || qobject_cast<const QGroupBox*>(container))
      rows.push_back(row_of(*control, window));
  }
  support::expect_golden(rows, "window.txt");
  // Start-up sent Word A once without pauses, then rested the lines.
  support::expect_golden(support::wire(), "start_up.txt");
  // The Tab key visits the controls in their order from txtB, each showing that it has the focus.
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  for (const auto& name : support::golden("tab_order.txt")) {
    QWidget* focused = QApplication::focusWidget();
    ASSERT_EQ(focused->objectName().toStdString(), name);
    const QImage shown = focused->grab().toImage();
    QTest::keyClick(focused, Qt::Key_Tab);
    EXPECT_NE(focused->grab().toImage(), shown) << name << " shows no focus";
  }
}

TEST_F(Window, TheInformationLineShowsEachLockStateWholeWhereALockLineIsRead) {
  const std::vector<std::string> kinds{"waiting", "locked",   "not_locked", "replaced",
                                       "lost",    "regained", "unknown"};  // in Kind's order
  auto* information = control<QLabel>("Label6");
  support::expect_rows("information_line.txt", [&](const std::string& given) {
    const auto kind = support::split(given, " ");
    const lock::LockState state{
        static_cast<lock::LockState::Kind>(std::ranges::find(kinds, kind[0]) - kinds.begin()),
        std::chrono::microseconds(std::stoll(kind[1])), "", ""};
    window.attach(panel, [&state] {
      return form::StatusLine{lock::describe(state), "", lock::headline(state), false};
    });
    window.refresh_status();
    EXPECT_LE(information->sizeHint().width(), information->width()) << given << " is cut";
    return information->text().toStdString();
  });
}

TEST_F(Window, KeysTheWheelAndClicksMoveTheControlsAndEveryNewDividerIsSent) {
  std::map<std::string, int> values{{"hscDiv", 11690}, {"scvDel", 100}};
  long sent = 1;  // at start-up
  for (const auto& row : support::golden("keys.txt")) {
    const auto columns = support::fields(row);  // control | key, wheel turn or click | value
    auto* bar = window.findChild<QScrollBar*>(QString::fromStdString(columns[0]));
    auto* list = window.findChild<QListWidget*>(QString::fromStdString(columns[0]));
    if (const auto turn = support::split(columns[1], " "); turn[0] == "wheel") {
      const QPointF centre = bar->rect().center();
      QWheelEvent wheel(centre, bar->mapToGlobal(centre), {},
                        {turn.size() > 2 ? std::stoi(turn[2]) : 0, std::stoi(turn[1])},
                        Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
      QApplication::sendEvent(bar, &wheel);
    } else if (turn[0] == "Ctrl+click") {
      QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier,
                        list->visualItemRect(list->item(std::stoi(turn[1]))).center());
    } else {
      const auto key = QKeySequence(QString::fromStdString(columns[1]))[0];
      QTest::keyClick(bar ? static_cast<QWidget*>(bar) : list, key.key(), key.keyboardModifiers());
    }
    const int value = std::stoi(columns[2]);
    if (columns[0] == "hscDiv" && value != values["hscDiv"]) ++sent;
    values[columns[0]] = value;
    EXPECT_EQ(bar ? bar->value() : list->row(list->selectedItems().value(0)), value) << row;
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
  panel.send_word_b({.refh = true, .sla = true, .brm = true, .current = 4, .phase = 2, .test = 3});
  // "11", REFH 1, current 2.3 = 1110, "1", SLA 1, phase Off = 11, BRM 1, test lock = 0101.
  EXPECT_EQ(chip.word_b(), "1111110111110101");
  EXPECT_EQ(transmissions(), 2);  // start-up's Word A, then this
  EXPECT_EQ(control<QLabel>("lblBRM")->text(), "Current switched");
}

TEST_F(Window, AFatalErrorFailsTheTestAndEndsTheEvents) {
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

TEST_F(Window, EveryListItemAndToggleComposeTheirWordBWhichSendWordBSends) {
  for (const auto& row : support::golden("word_b.txt")) {
    const auto columns = support::fields(row);  // control | choice | Word B | txtFM once sent
    const QString choice = QString::fromStdString(columns[1]);
    const long sent = transmissions();
    const QString frequency = control<QLineEdit>("txtFM")->text();
    if (auto* list = window.findChild<QListWidget*>(QString::fromStdString(columns[0]))) {
      const auto items = list->findItems(choice, Qt::MatchExactly);
      ASSERT_EQ(items.size(), choice == "-" ? 0 : 1) << row;
      choice == "-" ? list->clearSelection() : list->setCurrentItem(items.front());
    } else {
      click(columns[0]);
      EXPECT_EQ(control<QLabel>("lbl" + columns[0].substr(3))->text(), choice) << row;
    }
    auto* word_b = control<QLineEdit>("txtB");
    EXPECT_EQ(word_b->text().toStdString(), columns[2]) << row;
    EXPECT_EQ(transmissions(), sent) << row;
    EXPECT_EQ(control<QLineEdit>("txtFM")->text(), frequency) << row;  // composed is not sent

    word_b->setText("typed over");  // never read: the word is composed afresh
    click("cmdSend");
    EXPECT_EQ(transmissions(), sent + 1) << row;
    EXPECT_EQ(chip.word_b(), columns[2]) << row;
    EXPECT_EQ(word_b->text().toStdString(), columns[2]) << row;
    EXPECT_EQ(control<QLineEdit>("txtFM")->text().toStdString(), columns[3]) << row;
  }
}

TEST_F(Window, EnterInABoxTunesAndWhatTunesNothingIsToldAndPutBack) {
  auto* information = control<QLabel>("Label6");
  for (const auto& row : support::golden("typed_boxes.txt")) {
    const auto columns = support::fields(row);  // box | typed | key | txtFM | txtDiv | line | sent
    auto* box = control<QWidget>(columns[0]);   // a box, or a button pressed by its key
    box->setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(box)) edit->clear();
    const long sent = transmissions();
    QTest::keyClicks(box, QString::fromStdString(columns[1]));
    QTest::keyClick(box, QKeySequence(QString::fromStdString(columns[2]))[0].key());
    EXPECT_EQ(control<QLineEdit>("txtFM")->text().toStdString(), columns[3]) << row;
    EXPECT_EQ(control<QLineEdit>("txtDiv")->text().toStdString(), columns[4]) << row;
    EXPECT_EQ(information->text().toStdString(), columns[5]) << row;
    EXPECT_LE(information->sizeHint().width(), information->width()) << row << " is cut";
    EXPECT_EQ(transmissions() - sent, std::stol(columns[6])) << row;
  }
}

// What the panel keeps between runs.
SAA_ROWS_TEST(StateFile, TakesWhatAKeptStateHoldsAndSaysWhyElse, "state_files.txt", given) {
  const std::string text = support::bytes(given);
  const auto parsed = state::parse_state(text);
  const auto* kept = std::get_if<state::PanelState>(&parsed);
  if (!kept) return std::get<std::string>(parsed);
  // A file as the panel writes it is written again byte for byte.
  EXPECT_TRUE(!text.ends_with('\n') || state::format_state(*kept) == text) << given;
  return std::to_string(kept->divider) + " " +
         (kept->word_b ? cli::format_word_b(*kept->word_b) : "-") + " " +
         std::to_string(kept->speed);
}

// The control set that stands in for the window's headless, on the recorder, its log kept, the
// fatal errors it reports noted.
struct Headless {
  support::RecordingPort port;
  bus::Inpout library{port};
  std::ostringstream log;
  std::vector<std::string> reports;
  headless::HeadlessForm form{library, log,
                              [this](const std::string& message) { reports.push_back(message); }};
};

// A divider beyond the slider's ends is held at the end, as the window's slider holds it: below
// the band the chip gets N 7370 (63 MHz), once. The top end is web.http_checks', through the
// real program.
TEST(HeadlessForm, ADividerBeyondTheSliderIsHeldAtItsEnd) {
  Headless headless;
  headless.form.load();
  for (const auto& [asked, logged] : {std::pair{-5, "Word A 0001110011001010"}, {7360, ""}}) {
    headless.log.str("");
    headless.form.panel().tune(asked);
    EXPECT_EQ(headless.form.value(form::Control::hscDiv), 7370) << asked;
    const std::string log = headless.log.str();
    EXPECT_EQ(log.substr(0, log.find(" sent")), logged) << asked;
  }
}

// A log line that cannot be written (standard output's reader gone) ends the panel: its failure
// is reported once, and nothing more is sent. The start-up line is logged inside start-up's
// event, Word B's after its event.
TEST(HeadlessForm, ALogLineThatCannotBeWrittenFailsThePanel) {
  for (const bool from_start_up : {true, false}) {
    Headless headless;
    if (from_start_up) headless.log.setstate(std::ios::badbit);
    headless.form.load();
    headless.log.setstate(std::ios::badbit);
    headless.form.send_word_b({.refh = true});
    EXPECT_TRUE(headless.form.failed()) << from_start_up;
    EXPECT_EQ(headless.reports,
              std::vector<std::string>{"Cannot write the log to standard output. Give --headless a "
                                       "standard output that is open and read."})
        << from_start_up;
    support::wire().clear();
    headless.form.panel().tune(11070);
    EXPECT_TRUE(support::wire().empty()) << from_start_up << ": sent after the failure";
  }
}

}  // namespace

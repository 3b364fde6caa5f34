#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

#include "panel_fixture.hpp"
#include "window/layout_table.hpp"
#include "window/twips.hpp"

namespace {

using window::ControlKind;

bool has_kind(QWidget* widget, ControlKind kind) {
  switch (kind) {
    case ControlKind::frame:
      return qobject_cast<QGroupBox*>(widget);
    case ControlKind::text_box:
      return qobject_cast<QLineEdit*>(widget);
    case ControlKind::label:
      return qobject_cast<QLabel*>(widget);
    case ControlKind::button:
      return qobject_cast<QPushButton*>(widget);
    case ControlKind::list_box:
      return qobject_cast<QListWidget*>(widget);
    case ControlKind::hscroll:
      return qobject_cast<QScrollBar*>(widget) &&
             static_cast<QScrollBar*>(widget)->orientation() == Qt::Horizontal;
    case ControlKind::vscroll:
      return qobject_cast<QScrollBar*>(widget) &&
             static_cast<QScrollBar*>(widget)->orientation() == Qt::Vertical;
  }
  return false;
}

QString caption(QWidget* widget) {
  if (auto* frame = qobject_cast<QGroupBox*>(widget)) return frame->title();
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
  if (auto* button = qobject_cast<QPushButton*>(widget)) return button->text();
  if (auto* box = qobject_cast<QLineEdit*>(widget)) return box->text();
  return {};
}

using Layout = PanelTest;

TEST(Twips, FifteenToThePixelAt96Dpi) {
  EXPECT_EQ(window::twips_to_px(5085, 96), 339);
  EXPECT_EQ(window::twips_to_px(5445, 96), 363);
  EXPECT_EQ(window::twips_to_px(1440, 144), 144);
  EXPECT_EQ(window::twips_to_px(2115, 120), 176);
}

TEST_F(Layout, EveryControlSitsWhereTheDescriptionPutsIt) {
  ASSERT_DOUBLE_EQ(window.screen()->logicalDotsPerInch(), 96.0);
  EXPECT_EQ(window.size(), QSize(339, 363));
  for (const auto& row : window::control_specs()) {
    const QString name = QString::fromUtf8(row.name.data(), row.name.size());
    auto* widget = window.findChild<QWidget*>(name);
    ASSERT_NE(widget, nullptr) << row.name;
    EXPECT_TRUE(has_kind(widget, row.kind)) << row.name;
    const std::string container = row.container.empty() ? "Form1" : std::string(row.container);
    EXPECT_EQ(widget->parentWidget()->objectName().toStdString(), container) << row.name;
    EXPECT_EQ(widget->geometry(),
              QRect(row.left / 15, row.top / 15, row.width / 15, row.height / 15))
        << row.name;
    EXPECT_EQ(caption(widget).toStdString(), row.text) << row.name;
    EXPECT_EQ(widget->property("tabIndex").toInt(), row.tab_index) << row.name;
  }
}

TEST_F(Layout, TabOrderFollowsTheTabColumn) {
  std::vector<QWidget*> focusable;
  for (auto* widget : window.findChildren<QWidget*>()) {
    if (widget->property("tabIndex").isValid() && widget->focusPolicy() != Qt::NoFocus) {
      focusable.push_back(widget);
    }
  }
  std::ranges::sort(focusable, {}, [](QWidget* w) { return w->property("tabIndex").toInt(); });
  ASSERT_EQ(focusable.size(), 13u);  // frames and labels never take the focus
  EXPECT_EQ(focusable.front()->objectName(), "txtB");
  for (std::size_t i = 1; i < focusable.size(); ++i) {
    QWidget* next = focusable[i - 1]->nextInFocusChain();
    while (std::ranges::find(focusable, next) == focusable.end()) next = next->nextInFocusChain();
    EXPECT_EQ(next, focusable[i]) << focusable[i - 1]->objectName().toStdString();
  }
}

TEST_F(Layout, ScrollBarsHaveTheirRangesAndDoNotTrack) {
  auto* divider = control<QScrollBar>("hscDiv");
  EXPECT_EQ(divider->minimum(), 7370);
  EXPECT_EQ(divider->maximum(), 13070);
  EXPECT_EQ(divider->singleStep(), 10);
  EXPECT_EQ(divider->pageStep(), 100);
  EXPECT_EQ(divider->value(), 9820);
  EXPECT_FALSE(divider->hasTracking());
  auto* speed = control<QScrollBar>("scvDel");
  EXPECT_EQ(speed->minimum(), 50);
  EXPECT_EQ(speed->maximum(), 1000);
  EXPECT_EQ(speed->singleStep(), 1);
  EXPECT_EQ(speed->pageStep(), 40);
  EXPECT_EQ(speed->value(), 100);
  EXPECT_FALSE(speed->invertedAppearance());  // 50 at the top
  EXPECT_FALSE(speed->hasTracking());
}

TEST_F(Layout, ListsOfferTheirItemsInOrderWithNothingSelected) {
  const std::pair<const char*, QStringList> lists[] = {
      {"lstCurrent", {"0.023", "0.07", "0.23", "0.7", "2.3"}},
      {"lstPhase", {"Automatic off", "On", "Off"}},
      {"lstTest",
       {"1", "Reference frequency", "Output  programmable counter", "Output in-lock counter"}},
  };
  for (const auto& [name, items] : lists) {
    auto* list = control<QListWidget>(name);
    QStringList shown;
    for (int row = 0; row < list->count(); ++row) shown << list->item(row)->text();
    EXPECT_EQ(shown, items) << name;
    EXPECT_TRUE(list->selectedItems().isEmpty()) << name;
  }
}

TEST_F(Layout, BoxesHaveTheirFontsAndColours) {
  for (const char* name : {"txtA", "txtB", "txtDiv"}) {
    const QFont font = control<QLineEdit>(name)->font();
    EXPECT_TRUE(font.bold()) << name;
    EXPECT_DOUBLE_EQ(font.pointSizeF(), 9.75) << name;
    EXPECT_EQ(font.families().front(), "System") << name;
    EXPECT_FALSE(QFontInfo(font).fixedPitch()) << name;
  }
  for (const char* name : {"txtA", "txtB"}) {
    EXPECT_EQ(control<QLineEdit>(name)->palette().color(QPalette::Base), QColor(255, 128, 128));
  }
  const QFont frequency = control<QLineEdit>("txtFM")->font();
  EXPECT_TRUE(frequency.bold());
  EXPECT_DOUBLE_EQ(frequency.pointSizeF(), 13.5);
  EXPECT_TRUE(QFontInfo(frequency).fixedPitch());
  EXPECT_EQ(control<QLineEdit>("txtFM")->palette().color(QPalette::Text), QColor(0, 0, 192));

  const QFont mhz = control<QLabel>("Label4")->font();
  EXPECT_DOUBLE_EQ(mhz.pointSizeF(), 18);
  EXPECT_FALSE(mhz.bold());
  EXPECT_EQ(control<QLineEdit>("txtDiv")->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
}

}  // namespace

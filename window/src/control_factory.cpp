#include "window/control_factory.hpp"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>

#include "form/scroll_range.hpp"
#include "one_row_list.hpp"
#include "qt_text.hpp"
#include "window/appearance.hpp"
#include "window/scroll_bar_input.hpp"
#include "window/twips.hpp"

namespace window {

namespace {

// A scroll bar that shows the focus, which no style draws on one: a frame in the highlight's
// colour.
class FocusShowingScrollBar : public QScrollBar {
 public:
  using QScrollBar::QScrollBar;

 protected:
  void paintEvent(QPaintEvent* event) override {
    QScrollBar::paintEvent(event);
    if (!hasFocus()) return;
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    painter.drawRect(rect().adjusted(1, 1, -1, -1));
  }
};

QWidget* create_list_box(std::span<const words::ListRow> items, QWidget* container) {
  auto* list = new OneRowList(container);
  for (const auto& item : items) list->addItem(qstring(item.item));
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  // One row shows at a time; the keyboard and the wheel step through the others.
  list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  return list;
}

QWidget* create_scroll_bar(form::Control control, Qt::Orientation orientation, QWidget* container) {
  const auto& range = form::scroll_range(control);
  auto* bar = new FocusShowingScrollBar(orientation, container);
  bar->setRange(range.minimum, range.maximum);
  bar->setSingleStep(range.small_change);
  bar->setPageStep(range.large_change);
  bar->setValue(range.initial_value);
  // The value changes once, on release, not while the thumb is dragged.
  bar->setTracking(false);
  bar->setFocusPolicy(Qt::StrongFocus);
  use_classic_scroll_bar_input(*bar);
  return bar;
}

QWidget* create_widget(const LayoutRow& row, QWidget* container) {
  const QString text = qstring(row.text);
  switch (row.kind) {
    case ControlKind::frame:
      return new QGroupBox(text, container);
    case ControlKind::text_box:
      return new QLineEdit(text, container);
    case ControlKind::label: {
      auto* label = new QLabel(text, container);
      label->setWordWrap(true);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      return label;
    }
    case ControlKind::button:
      return new QPushButton(text, container);
    case ControlKind::list_box:
      return create_list_box(row.items, container);
    case ControlKind::hscroll:
      return create_scroll_bar(*row.control, Qt::Horizontal, container);
    case ControlKind::vscroll:
      return create_scroll_bar(*row.control, Qt::Vertical, container);
  }
  return nullptr;
}

}  // namespace

QWidget* create_control(const LayoutRow& row, QWidget* container, double dots_per_inch) {
  QWidget* widget = create_widget(row, container);
  widget->setObjectName(qstring(row.name));
  widget->setProperty("tabIndex", row.tab_index);
  widget->setGeometry(twips_to_px(row.left, dots_per_inch), twips_to_px(row.top, dots_per_inch),
                      twips_to_px(row.width, dots_per_inch),
                      twips_to_px(row.height, dots_per_inch));
  apply_look(*widget, row.look);
  return widget;
}

}  // namespace window

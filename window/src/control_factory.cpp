#include "window/control_factory.hpp"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>

#include "form/scroll_range.hpp"
#include "one_row_list.hpp"
#include "qt_text.hpp"
#include "window/scroll_bar_input.hpp"
#include "window/twips.hpp"
#include "words/word_b.hpp"

namespace window {

namespace {

std::span<const words::ListRow> list_rows(std::string_view name) {
  if (name == "lstCurrent") return words::kCurrentRows;
  if (name == "lstPhase") return words::kPhaseRows;
  return words::kTestRows;
}

const form::ScrollRange& scroll_range(std::string_view name) {
  for (const auto& range : form::scroll_ranges()) {
    if (form::control_name(range.control) == name) return range;
  }
  return form::scroll_ranges().front();
}

QWidget* create_list_box(std::string_view name, QWidget* container) {
  auto* list = new OneRowList(container);
  for (const auto& row : list_rows(name)) list->addItem(qstring(row.item));
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  // One row shows at a time; the keyboard and the wheel step through the others.
  list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  return list;
}

QWidget* create_scroll_bar(std::string_view name, Qt::Orientation orientation, QWidget* container) {
  const auto& range = scroll_range(name);
  auto* bar = new QScrollBar(orientation, container);
  bar->setRange(range.minimum, range.maximum);
  bar->setSingleStep(range.small_change);
  bar->setPageStep(range.large_change);
  bar->setValue(range.value);
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
      return create_list_box(row.name, container);
    case ControlKind::hscroll:
      return create_scroll_bar(row.name, Qt::Horizontal, container);
    case ControlKind::vscroll:
      return create_scroll_bar(row.name, Qt::Vertical, container);
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
  return widget;
}

}  // namespace window

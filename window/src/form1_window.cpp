#include "window/form1_window.hpp"

#include <QAbstractButton>
#include <QAccessible>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>
#include <map>
#include <vector>

#include "accessibility.hpp"
#include "qt_text.hpp"
#include "window/appearance.hpp"
#include "window/control_factory.hpp"
#include "window/layout_table.hpp"
#include "window/twips.hpp"
#include "words/word_a.hpp"

namespace window {

using form::Control;
using form::Event;

Form1Window::Form1Window(QWidget* parent) : QWidget(parent) {
  setObjectName("Form1");
  setWindowTitle("SAA1057 FM radio-tuning synthesizer");
  const double dpi = screen() ? screen()->logicalDotsPerInch() : 96.0;

  apply_window_font(*this);
  std::map<std::string_view, QWidget*> containers{{"", this}};
  for (const auto& row : layout_rows()) {
    QWidget* created = create_control(row, containers.at(row.container), dpi);
    if (row.kind == ControlKind::frame) containers[row.name] = created;
    if (row.control) controls_[index(*row.control)] = {created, row.event};
    if (row.event) event_sources_.push_back({created, &row});
    if (row.look == Look::information_line) status_label_ = static_cast<QLabel*>(created);
    give_speech(*created, row, [this, &row](int value) { return spoken_value(row, value); });
  }
  for (const auto& row : layout_rows()) {
    if (row.speech.described_by.empty()) continue;
    const auto label = *layout_row(row.speech.described_by).control;
    controls_[index(label)].described = findChild<QWidget*>(qstring(row.name));
  }
  chain_tab_order();
  setFixedSize(twips_to_px(kClientWidthTwips, dpi), twips_to_px(kClientHeightTwips, dpi));
}

void Form1Window::chain_tab_order() {
  std::vector<QWidget*> focusable;
  for (auto* child : findChildren<QWidget*>()) {
    if (child->property("tabIndex").isValid() && child->focusPolicy() != Qt::NoFocus) {
      focusable.push_back(child);
    }
  }
  std::ranges::sort(focusable, {}, [](QWidget* w) { return w->property("tabIndex").toInt(); });
  for (std::size_t i = 1; i < focusable.size(); ++i) {
    setTabOrder(focusable[i - 1], focusable[i]);
  }
}

QString Form1Window::spoken_value(const LayoutRow& row, int value) const {
  if (row.speech.value != SpokenValue::tuning) return QString::number(value);
  const words::Step step = panel_ ? panel_->step() : words::kFirstStep;
  return qstring(words::frequency_text(words::received_mhz(value, step)) + " MHz, N " +
                 std::to_string(value));
}

void Form1Window::attach(form::Panel& panel, form::StatusSource status) {
  panel_ = &panel;
  status_ = std::move(status);
  panel.on_event_done([this] { refresh_status(); });
  connect_events();
}

void Form1Window::connect_events() {
  for (const auto& [source, row] : event_sources_) {
    const auto raise = [this, event = *row->event] { dispatch(event); };
    switch (row->kind) {
      case ControlKind::button:
        connect(static_cast<QAbstractButton*>(source), &QAbstractButton::clicked, this, raise);
        break;
      case ControlKind::list_box:
        connect(static_cast<QListWidget*>(source), &QListWidget::itemSelectionChanged, this, raise);
        break;
      case ControlKind::hscroll:
      case ControlKind::vscroll:
        connect(static_cast<QScrollBar*>(source), &QScrollBar::valueChanged, this, raise);
        break;
      case ControlKind::text_box:
        connect(static_cast<QLineEdit*>(source), &QLineEdit::returnPressed, this, raise);
        source->installEventFilter(this);
        break;
      default:
        break;
    }
  }
}

bool Form1Window::eventFilter(QObject* watched, QEvent* event) {
  const bool escape =
      event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape;
  if (escape || event->type() == QEvent::FocusOut) dispatch(Event::txtBoxes_Revert);
  return QWidget::eventFilter(watched, event);
}

void Form1Window::load() {
  if (panel_) panel_->start();
}

void Form1Window::dispatch(Event event) {
  if (panel_) panel_->raise(event);
}

void Form1Window::refresh_status() {
  if (!status_) return;
  const form::StatusLine line = status_();
  // Told once as it comes, not at each look at the line.
  if (line.verdict != verdict_told_) {
    verdict_told_ = line.verdict;
    if (!verdict_told_.empty()) announce(*status_label_, qstring(verdict_told_));
  }
  // What a box refused stands until the next event.
  if (const auto& told = panel_->form().state().told; !told.brief.empty()) {
    status_label_->setText(qstring(told.brief));
    status_label_->setToolTip(qstring(told.reason));
    return;
  }
  status_label_->setText(qstring(line.brief.empty() ? line.text : line.brief));
  if (const QString tooltip = qstring(line.tooltip); tooltip != status_label_->toolTip()) {
    status_label_->setToolTip(tooltip);
    // The tooltip is its description, which the bridge's clients keep until told of a change.
    QAccessibleEvent changed(status_label_, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&changed);
  }
}

QWidget* Form1Window::widget(Control control) const { return controls_[index(control)].widget; }

std::size_t Form1Window::index(Control control) { return static_cast<std::size_t>(control); }

int Form1Window::value(Control control) const {
  return static_cast<QScrollBar*>(widget(control))->value();
}

void Form1Window::set_value(Control control, int value) {
  auto* bar = static_cast<QScrollBar*>(widget(control));
  const int before = bar->value();
  {
    // The change event runs here, inside the caller's procedure, so that a failure in it
    // unwinds through the caller and not through Qt's signal machinery.
    const QSignalBlocker quiet(bar);
    bar->setValue(value);
  }
  if (bar->value() == before || !panel_) return;
  panel_->form().raise(*controls_[index(control)].change);
}

std::string Form1Window::text(Control control) const {
  if (auto* box = qobject_cast<QLineEdit*>(widget(control))) return box->text().toStdString();
  return static_cast<QLabel*>(widget(control))->text().toStdString();
}

void Form1Window::set_text(Control control, std::string_view text) {
  if (auto* box = qobject_cast<QLineEdit*>(widget(control))) {
    box->setText(qstring(text));
    box->setCursorPosition(0);
  } else {
    static_cast<QLabel*>(widget(control))->setText(qstring(text));
    // A toggle is described by what it now sets.
    if (auto* described = controls_[index(control)].described)
      described->setAccessibleDescription(qstring(text));
  }
}

void Form1Window::select(Control control, int row) {
  auto* list = static_cast<QListWidget*>(widget(control));
  const QSignalBlocker quiet(list);
  list->setCurrentRow(row);
}

int Form1Window::selected_index(Control control) const {
  auto* list = static_cast<QListWidget*>(widget(control));
  const auto selected = list->selectedItems();
  return selected.isEmpty() ? -1 : list->row(selected.front());
}

}  // namespace window

#include "window/form1_window.hpp"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>
#include <map>
#include <vector>

#include "common/fatal_error.hpp"
#include "qt_text.hpp"
#include "window/appearance.hpp"
#include "window/control_factory.hpp"
#include "window/layout_table.hpp"
#include "window/twips.hpp"

namespace window {

using form::Control;
using form::Event;

namespace {

constexpr Control kAllControls[] = {
    Control::hscDiv, Control::scvDel,     Control::txtFM,    Control::txtDiv,
    Control::txtA,   Control::txtB,       Control::lblREFH,  Control::lblSLA,
    Control::lblBRM, Control::lstCurrent, Control::lstPhase, Control::lstTest,
};

}  // namespace

Form1Window::Form1Window(QWidget* parent) : QWidget(parent) {
  setObjectName("Form1");
  setWindowTitle("SAA1057 FM radio-tuning synthesizer");
  const double dpi = screen() ? screen()->logicalDotsPerInch() : 96.0;

  std::map<std::string_view, QWidget*> containers{{"", this}};
  for (const auto& row : layout_rows()) {
    QWidget* control = create_control(row, containers.at(row.container), dpi);
    if (row.kind == ControlKind::frame) containers[row.name] = control;
  }
  for (const Control control : kAllControls) {
    controls_[static_cast<std::size_t>(control)] =
        findChild<QWidget*>(qstring(form::control_name(control)));
  }
  status_label_ = findChild<QLabel*>("Label6");
  status_label_->setWordWrap(false);

  apply_appearance(*this);
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

void Form1Window::attach(form::Form1& form, StatusSource status, FatalHandler on_fatal) {
  form_ = &form;
  status_ = std::move(status);
  on_fatal_ = std::move(on_fatal);
  connect_events();
}

void Form1Window::connect_events() {
  const auto on_value = [this](Control control, Event event) {
    connect(static_cast<QScrollBar*>(widget(control)), &QScrollBar::valueChanged, this,
            [this, event] { dispatch(event); });
  };
  on_value(Control::hscDiv, Event::hscDiv_Change);
  on_value(Control::scvDel, Event::scvDel_Change);

  const auto on_click = [this](const char* button, Event event) {
    connect(findChild<QAbstractButton*>(button), &QAbstractButton::clicked, this,
            [this, event] { dispatch(event); });
  };
  on_click("cmdREFH", Event::cmdREFH_Click);
  on_click("cmdSLA", Event::cmdSLA_Click);
  on_click("cmdBRM", Event::cmdBRM_Click);
  on_click("cmdSend", Event::cmdSend_Click);

  const auto on_select = [this](Control control, Event event) {
    connect(static_cast<QListWidget*>(widget(control)), &QListWidget::itemSelectionChanged, this,
            [this, event] { dispatch(event); });
  };
  on_select(Control::lstCurrent, Event::lstCurrent_Click);
  on_select(Control::lstPhase, Event::lstPhase_Click);
  on_select(Control::lstTest, Event::lstTest_Click);
}

void Form1Window::load() { dispatch(Event::Form_Load); }

void Form1Window::dispatch(Event event) {
  if (failed_ || !form_) return;
  try {
    form_->raise(event);
  } catch (const common::FatalError& error) {
    failed_ = true;
    if (on_fatal_) on_fatal_(error.what());
    return;
  }
  refresh_status();
}

void Form1Window::move_divider(int divider) {
  static_cast<QScrollBar*>(widget(Control::hscDiv))->setValue(divider);
}

void Form1Window::refresh_status() {
  if (!status_) return;
  const StatusLine line = status_();
  status_label_->setText(qstring(line.text));
  status_label_->setToolTip(qstring(line.tooltip));
}

QWidget* Form1Window::widget(Control control) const {
  return controls_[static_cast<std::size_t>(control)];
}

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
  if (bar->value() == before || !form_) return;
  form_->raise(control == Control::hscDiv ? Event::hscDiv_Change : Event::scvDel_Change);
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
  }
}

int Form1Window::selected_index(Control control) const {
  auto* list = static_cast<QListWidget*>(widget(control));
  const auto selected = list->selectedItems();
  return selected.isEmpty() ? -1 : list->row(selected.front());
}

}  // namespace window

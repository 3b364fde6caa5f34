#pragma once

#include <QWidget>
#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "form/control_access.hpp"
#include "form/panel.hpp"
#include "form/status_line.hpp"
#include "window/layout_table.hpp"

class QLabel;

namespace window {

// The panel's window: the controls, and the routing of their events to Form1's procedures
// through the panel facade, which ends the event handling at the first failure.
class Form1Window : public QWidget, public form::ControlAccess {
  Q_OBJECT

 public:
  explicit Form1Window(QWidget* parent = nullptr);

  // Routes the controls' events to `panel`; until then no event runs a procedure.
  void attach(form::Panel& panel, form::StatusSource status);

  // Start-up: runs Form_Load. Call before the window is first shown.
  void load();

  // True once a procedure has failed; no further event runs.
  bool failed() const { return panel_ && panel_->failed(); }

  // Rereads the information line, for news from outside the window's own events.
  void refresh_status();

  int value(form::Control control) const override;
  void set_value(form::Control control, int value) override;
  std::string text(form::Control control) const override;
  void set_text(form::Control control, std::string_view text) override;
  int selected_index(form::Control control) const override;
  void select(form::Control control, int row) override;

 protected:
  // Escape in a box, or leaving it, puts the tuned value back.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void connect_events();
  void chain_tab_order();
  void dispatch(form::Event event);
  QWidget* widget(form::Control control) const;
  static std::size_t index(form::Control control);

  // What the slider of `row` says of `value`.
  QString spoken_value(const LayoutRow& row, int value) const;

  // Each control the form logic reaches, the event its change raises (a slider's), and the
  // control it describes (a toggle's label's).
  struct Reached {
    QWidget* widget = nullptr;
    std::optional<form::Event> change;
    QWidget* described = nullptr;
  };
  std::array<Reached, 12> controls_{};
  std::vector<std::pair<QWidget*, const LayoutRow*>> event_sources_;
  QLabel* status_label_ = nullptr;
  form::Panel* panel_ = nullptr;
  form::StatusSource status_;
  std::string verdict_told_;
};

}  // namespace window

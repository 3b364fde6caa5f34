#pragma once

#include <functional>
#include <map>
#include <ostream>
#include <string>

#include "bus/inpout.hpp"
#include "form/control_access.hpp"
#include "form/form1.hpp"
#include "form/panel.hpp"
#include "words/word_b_choice.hpp"

namespace headless {

// Form1 without a window, as window::Form1Window is Form1 in one: on controls that only hold
// values, starting as the window's do, driven through the panel facade as the window is. Each
// transmission is logged as one line: what was sent. A line that cannot be written (`log` is
// standard output in the program) fails the panel, as a failed transmission does.
class HeadlessForm : public form::ControlAccess {
 public:
  HeadlessForm(bus::Inpout& library, std::ostream& log, form::Panel::FatalHandler on_fatal);

  // Start-up: Form_Load, which sends Word A.
  void load() { panel_.start(); }

  // Sets the Word B controls as a user would, then presses "Send Word 'B'".
  void send_word_b(const words::WordBChoice& choice);

  // One line of news after the words it follows ("Lock: locked after 1.2 ms"); a line that
  // cannot be written fails the panel.
  void log_news(const std::string& line);

  bool failed() const { return panel_.failed(); }
  form::Panel& panel() { return panel_; }

  int value(form::Control control) const override;
  void set_value(form::Control control, int value) override;
  std::string text(form::Control control) const override;
  void set_text(form::Control control, std::string_view text) override;
  int selected_index(form::Control control) const override;
  void select(form::Control control, int row) override;

 private:
  void log_line(const std::string& line);

  std::map<form::Control, int> values_;
  std::map<form::Control, std::string> texts_;
  std::map<form::Control, int> selected_;
  std::ostream& log_;
  form::Form1 form_;
  form::Panel panel_;
};

}  // namespace headless

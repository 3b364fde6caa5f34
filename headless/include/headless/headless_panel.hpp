#pragma once

#include <functional>
#include <map>
#include <ostream>
#include <string>

#include "bus/inpout.hpp"
#include "cli/options.hpp"
#include "form/control_access.hpp"
#include "form/form1.hpp"
#include "rigctl/tuner.hpp"

namespace headless {

// Form1 on controls that only hold values, starting as the window's do. Each transmission is
// logged as one line: what was sent. A procedure that fails ends the event handling for good
// and hands the message on, as the window does.
class HeadlessPanel : public form::ControlAccess, public rigctl::Tuner {
 public:
  using FatalHandler = std::function<void(const std::string& message)>;

  HeadlessPanel(bus::Inpout& library, std::ostream& log, FatalHandler on_fatal);

  // Start-up: Form_Load, which sends Word A.
  void load();

  // Sets the Word B controls as a user would (a toggle pressed, a list row chosen), then
  // presses "Send Word 'B'".
  void send_word_b(const cli::WordBChoice& choice);

  bool failed() const { return failed_; }

  std::int32_t divider() const override;
  void tune(std::int32_t divider) override;

  int value(form::Control control) const override;
  void set_value(form::Control control, int value) override;
  std::string text(form::Control control) const override;
  void set_text(form::Control control, std::string_view text) override;
  int selected_index(form::Control control) const override;

 private:
  void guarded(const std::function<void()>& procedure);
  void log_word(const char* word, const std::string& bits, const std::string& meaning);

  std::map<form::Control, int> values_;
  std::map<form::Control, std::string> texts_;
  std::map<form::Control, int> selected_;
  std::ostream& log_;
  FatalHandler on_fatal_;
  bool failed_ = false;
  form::Form1 form_;
};

}  // namespace headless

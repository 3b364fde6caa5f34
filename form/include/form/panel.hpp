#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "form/control_access.hpp"
#include "form/event.hpp"
#include "form/form1.hpp"
#include "form/word_b_choice.hpp"

namespace form {

// The one way a front end (the window, headless mode, a rigctld client) drives Form1. Each call
// runs as one event: the first failure hands its message on and ends the event handling for
// good; after each event that ran, the front end hears of it.
class Panel {
 public:
  using FatalHandler = std::function<void(const std::string& message)>;
  using EventDone = std::function<void()>;

  Panel(Form1& form, ControlAccess& controls, FatalHandler on_fatal);

  void on_event_done(EventDone done) { event_done_ = std::move(done); }

  void raise(Event event);
  void start() { raise(Event::Form_Load); }

  // The divider slider's value, and a move of it as the user would make it.
  std::int32_t divider() const;
  void tune(std::int32_t divider);

  // Presses the toggles and chooses the list rows that `choice` gives, then "Send Word 'B'".
  void send_word_b(const WordBChoice& choice);

  bool failed() const { return failed_; }

  // For a change event that a procedure raises by setting a slider: it runs inside that
  // procedure, so that a failure unwinds through it.
  Form1& form() { return form_; }

 private:
  void guarded(const std::function<void()>& procedure);

  Form1& form_;
  ControlAccess& controls_;
  FatalHandler on_fatal_;
  EventDone event_done_;
  bool failed_ = false;
};

}  // namespace form

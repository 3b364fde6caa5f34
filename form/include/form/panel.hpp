#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "form/control_access.hpp"
#include "form/event.hpp"
#include "form/form1.hpp"
#include "words/word_b_choice.hpp"

namespace form {

// The one way a front end (the window, headless mode, a rigctld client, a web page) drives
// Form1. Each call runs as one event: the first failure hands its message on and ends the event
// handling for good; after each event that ran, every front end that asked hears of it.
class Panel {
 public:
  using FatalHandler = std::function<void(const std::string& message)>;
  using EventDone = std::function<void()>;

  Panel(Form1& form, ControlAccess& controls, FatalHandler on_fatal);

  void on_event_done(EventDone done) { event_done_.push_back(std::move(done)); }

  void raise(Event event);
  void start() { raise(Event::Form_Load); }

  // The divider slider's value, and a move of it as the user would make it.
  std::int32_t divider() const;
  // The tuning step of the last Word B sent.
  words::Step step() const { return form_.state().step; }
  void tune(std::int32_t divider);

  // The bus speed slider's move.
  void set_bus_speed(int value);

  // Chooses `row` of a list box (lstCurrent, lstPhase, lstTest) as a user's click would.
  void choose(Control list, int row);

  // Presses the toggles and chooses the list rows that `choice` gives, then "Send Word 'B'".
  void send_word_b(const words::WordBChoice& choice);

  bool failed() const { return failed_; }

  // A failure that a front end meets after an event, in its own work (headless mode's log):
  // it ends the panel as a failure inside an event does.
  void fail(const std::string& message);

  // What the window shows, for a front end that mirrors it.
  const ControlAccess& controls() const { return controls_; }

  // For a change event that a procedure raises by setting a slider: it runs inside that
  // procedure, so that a failure unwinds through it.
  Form1& form() { return form_; }

 private:
  void guarded(const std::function<void()>& procedure);
  void choose_row(Control list, int row);

  Form1& form_;
  ControlAccess& controls_;
  FatalHandler on_fatal_;
  std::vector<EventDone> event_done_;
  bool failed_ = false;
};

}  // namespace form

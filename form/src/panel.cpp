#include "form/panel.hpp"

#include <utility>

#include "common/fatal_error.hpp"

namespace form {

Panel::Panel(Form1& form, ControlAccess& controls, FatalHandler on_fatal)
    : form_(form), controls_(controls), on_fatal_(std::move(on_fatal)) {}

void Panel::guarded(const std::function<void()>& procedure) {
  if (failed_) return;
  try {
    procedure();
  } catch (const common::FatalError& error) {
    fail(error.what());
    return;
  }
  for (const auto& done : event_done_) done();
}

void Panel::fail(const std::string& message) {
  if (failed_) return;
  failed_ = true;
  if (on_fatal_) on_fatal_(message);
}

void Panel::raise(Event event) {
  guarded([this, event] { form_.raise(event); });
}

std::int32_t Panel::divider() const { return controls_.value(Control::hscDiv); }

void Panel::tune(std::int32_t divider) {
  // The slider raises its change event inside the setting, as when the user moves it.
  guarded([this, divider] { controls_.set_value(Control::hscDiv, divider); });
}

void Panel::set_bus_speed(int value) {
  guarded([this, value] { controls_.set_value(Control::scvDel, value); });
}

void Panel::choose(Control list, int row) {
  guarded([this, list, row] { choose_row(list, row); });
}

void Panel::choose_row(Control list, int row) {
  static constexpr std::pair<Control, Event> kClicks[] = {
      {Control::lstCurrent, Event::lstCurrent_Click},
      {Control::lstPhase, Event::lstPhase_Click},
      {Control::lstTest, Event::lstTest_Click}};
  for (const auto& [each, click] : kClicks) {
    if (each != list) continue;
    controls_.select(list, row);
    form_.raise(click);
  }
}

void Panel::send_word_b(const words::WordBChoice& choice) {
  guarded([this, &choice] {
    const std::pair<bool, Event> toggles[] = {{choice.refh, Event::cmdREFH_Click},
                                              {choice.sla, Event::cmdSLA_Click},
                                              {choice.brm, Event::cmdBRM_Click}};
    for (const auto& [pressed, click] : toggles) {
      if (pressed) form_.raise(click);
    }
    const std::pair<int, Control> lists[] = {{choice.current, Control::lstCurrent},
                                             {choice.phase, Control::lstPhase},
                                             {choice.test, Control::lstTest}};
    for (const auto& [row, list] : lists) {
      if (row >= 0) choose_row(list, row);
    }
    form_.raise(Event::cmdSend_Click);
  });
}

}  // namespace form

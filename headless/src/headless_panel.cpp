#include "headless/headless_panel.hpp"

#include "common/fatal_error.hpp"
#include "form/scroll_range.hpp"
#include "words/word_decoder.hpp"

namespace headless {

using form::Control;
using form::Event;

HeadlessPanel::HeadlessPanel(bus::Inpout& library, std::ostream& log, FatalHandler on_fatal)
    : log_(log), on_fatal_(std::move(on_fatal)), form_(*this, library) {
  for (const auto& range : form::scroll_ranges()) values_[range.control] = range.initial_value;
}

void HeadlessPanel::guarded(const std::function<void()>& procedure) {
  if (failed_) return;
  try {
    procedure();
  } catch (const common::FatalError& error) {
    failed_ = true;
    on_fatal_(error.what());
  }
}

void HeadlessPanel::load() {
  guarded([this] { form_.raise(Event::Form_Load); });
}

void HeadlessPanel::send_word_b(const cli::WordBChoice& choice) {
  guarded([this, &choice] {
    const std::pair<bool, Event> toggles[] = {{choice.refh, Event::cmdREFH_Click},
                                              {choice.sla, Event::cmdSLA_Click},
                                              {choice.brm, Event::cmdBRM_Click}};
    for (const auto& [pressed, click] : toggles) {
      if (pressed) form_.raise(click);
    }
    const std::tuple<int, Control, Event> lists[] = {
        {choice.current, Control::lstCurrent, Event::lstCurrent_Click},
        {choice.phase, Control::lstPhase, Event::lstPhase_Click},
        {choice.test, Control::lstTest, Event::lstTest_Click}};
    for (const auto& [row, list, click] : lists) {
      if (row < 0) continue;
      selected_[list] = row;
      form_.raise(click);
    }
    form_.raise(Event::cmdSend_Click);
    const std::string& word = form_.state().sWordB;
    log_word("B", word, words::describe(words::decode_word_b(word)));
  });
}

std::int32_t HeadlessPanel::divider() const { return value(Control::hscDiv); }

void HeadlessPanel::tune(std::int32_t divider) {
  guarded([this, divider] { set_value(Control::hscDiv, divider); });
}

int HeadlessPanel::value(Control control) const { return values_.at(control); }

void HeadlessPanel::set_value(Control control, int value) {
  if (values_.at(control) == value) return;
  values_[control] = value;
  if (control == Control::scvDel) return form_.raise(Event::scvDel_Change);
  // The change event runs inside the setting, as on the window's slider.
  form_.raise(Event::hscDiv_Change);
  const std::string& word = form_.state().sWordA;
  log_word("A", word, words::describe(words::decode_word_a(word)));
}

std::string HeadlessPanel::text(Control control) const {
  const auto found = texts_.find(control);
  return found == texts_.end() ? "" : found->second;
}

void HeadlessPanel::set_text(Control control, std::string_view text) {
  texts_[control] = std::string(text);
}

int HeadlessPanel::selected_index(Control control) const {
  const auto found = selected_.find(control);
  return found == selected_.end() ? -1 : found->second;
}

void HeadlessPanel::log_word(const char* word, const std::string& bits,
                             const std::string& meaning) {
  log_ << "Word " << word << " " << bits << " sent: " << meaning << std::endl;
}

}  // namespace headless

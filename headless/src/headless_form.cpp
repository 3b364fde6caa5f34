#include "headless/headless_form.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "common/failure_message.hpp"
#include "common/write_way_out.hpp"
#include "form/scroll_range.hpp"
#include "words/word_b.hpp"
#include "words/word_decoder.hpp"

namespace headless {

using form::Control;
using form::Event;

namespace {

std::string word_line(const char* word, const std::string& bits, const std::string& meaning) {
  return std::string("Word ") + word + " " + bits + " sent: " + meaning;
}

}  // namespace

HeadlessForm::HeadlessForm(bus::Inpout& library, std::ostream& log,
                           form::Panel::FatalHandler on_fatal)
    : log_(log), form_(*this, library), panel_(form_, *this, std::move(on_fatal)) {
  for (const auto& range : form::scroll_ranges()) values_[range.control] = range.initial_value;
  // The toggles' captions before a first press, as the window's labels show them.
  texts_[Control::lblREFH] = words::kREFHTexts.off;
  texts_[Control::lblSLA] = words::kSLATexts.off;
  texts_[Control::lblBRM] = words::kBRMTexts.off;
}

void HeadlessForm::send_word_b(const words::WordBChoice& choice) {
  panel_.send_word_b(choice);
  if (panel_.failed()) return;
  const std::string& word = form_.state().sWordB;
  // Logged after the event: a failure here must still end the panel as one inside it does.
  log_news(word_line("B", word, words::describe(words::decode_word_b(word))));
}

int HeadlessForm::value(Control control) const { return values_.at(control); }

void HeadlessForm::set_value(Control control, int value) {
  // Held within the range, as the window's scroll bars hold theirs.
  const auto& range = form::scroll_range(control);
  value = std::clamp(value, range.minimum, range.maximum);
  if (values_.at(control) == value) return;
  values_[control] = value;
  if (control == Control::scvDel) return form_.raise(Event::scvDel_Change);
  // The change event runs inside the setting, as on the window's slider.
  form_.raise(Event::hscDiv_Change);
  const std::string& word = form_.state().sWordA;
  log_line(word_line("A", word, words::describe(words::decode_word_a(word, form_.state().step))));
}

std::string HeadlessForm::text(Control control) const {
  const auto found = texts_.find(control);
  return found == texts_.end() ? "" : found->second;
}

void HeadlessForm::set_text(Control control, std::string_view text) {
  texts_[control] = std::string(text);
}

int HeadlessForm::selected_index(Control control) const {
  const auto found = selected_.find(control);
  return found == selected_.end() ? -1 : found->second;
}

void HeadlessForm::select(Control control, int row) { selected_[control] = row; }

void HeadlessForm::log_news(const std::string& line) {
  try {
    log_line(line);
  } catch (const common::FatalError& error) {
    panel_.fail(error.what());
  }
}

void HeadlessForm::log_line(const std::string& line) {
  errno = 0;
  log_ << line << std::endl;
  // The log is what --headless is run for: one that nobody can read (standard output closed,
  // its reader gone) ends the program with the reason, as a trace that cannot be written does.
  if (!log_) {
    const int error = errno;
    throw common::failure("Cannot write the log to standard output",
                          error != 0 ? std::strerror(error) : "",
                          common::standard_output_way_out(error, "--headless"));
  }
}

}  // namespace headless

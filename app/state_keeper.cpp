#include "state_keeper.hpp"

#include "cli/word_b_argument.hpp"
#include "common/failure_message.hpp"
#include "words/word_b.hpp"

namespace app {

StateKeeper::StateKeeper(form::Panel& panel, bus::Inpout& library,
                         const std::optional<std::string>& path)
    : panel_(panel),
      file_(
          path.value_or(state::default_state_path()), "the tuning in the state file",
          "--resume will find the last state kept",
          [this] { return state::format_state(current()); }, state::KeptFile::IfAbsent::write) {
  library.on_word_sent([this](std::string_view word) {
    if (words::is_word_b(word)) word_b_ = words::choice_of(panel_.form().state());
  });
  panel_.on_event_done([this] { file_.changed(); });
}

StateKeeper::~StateKeeper() {
  // Only a clean exit's: after a failure the panel's state is not one to come back to.
  if (!panel_.failed()) file_.write_pending();
}

state::PanelState StateKeeper::current() const {
  const auto& form = panel_.form().state();
  return {form.iDiv, word_b_, form.iDel};
}

bool StateKeeper::read(bool resume) {
  std::optional<std::string> text;
  try {
    text = file_.read();
  } catch (const common::FatalError& error) {
    common::print_error(error.what());
    return false;
  }
  if (!text) return true;
  const auto parsed = state::parse_state(*text);
  if (const auto* why = std::get_if<std::string>(&parsed)) {
    file_.set_aside("The state file " + file_.path() + " holds no state this program can " +
                        (resume ? "resume: " : "keep: ") + *why,
                    resume ? "Starting as without --resume" : "A new one is kept from now on");
  } else {
    kept_ = std::get<state::PanelState>(parsed);
  }
  return true;
}

bool StateKeeper::resume(const SendWordB& send_word_b, const std::optional<std::string>& word_b) {
  if (!kept_) return false;
  panel_.set_bus_speed(kept_->speed);
  panel_.tune(kept_->divider);
  if (!kept_->word_b) return false;
  send_word_b(word_b ? cli::parse_word_b(*word_b, *kept_->word_b) : *kept_->word_b);
  return true;
}

}  // namespace app

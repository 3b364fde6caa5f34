#include "state_keeper.hpp"

#include "words/word_b.hpp"

namespace app {

StateKeeper::StateKeeper(form::Panel& panel, bus::Inpout& library,
                         const std::optional<std::string>& path)
    : panel_(panel),
      file_(
          path.value_or(state::default_state_path()), "the tuning in the state file",
          "--resume will find the last state kept",
          [this] { return state::format_state(current()); }, KeptFile::IfAbsent::write) {
  library.on_word_sent([this](std::string_view word) {
    if (words::is_word_b(word)) word_b_ = words::choice_of(panel_.form().state());
  });
  panel_.on_event_done([this] { file_.changed(); });
}

StateKeeper::~StateKeeper() {
  // Only a clean exit's: after a failure the panel's state is not one to come back to.
  if (!panel_.failed()) file_.write_now();
}

state::PanelState StateKeeper::current() const {
  const auto& form = panel_.form().state();
  return {form.iDiv, word_b_, form.iDel};
}

void StateKeeper::resume(const SendWordB& send_word_b) {
  const auto text = file_.read();
  if (!text) return;
  const auto parsed = state::parse_state(*text);
  if (const auto* why = std::get_if<std::string>(&parsed)) {
    file_.set_aside(
        "The state file " + file_.path() + " holds no state this program can resume: " + *why,
        "Starting as without --resume");
    return;
  }
  const auto& kept = std::get<state::PanelState>(parsed);
  panel_.set_bus_speed(kept.speed);
  panel_.tune(kept.divider);
  if (kept.word_b && send_word_b) send_word_b(*kept.word_b);
}

}  // namespace app

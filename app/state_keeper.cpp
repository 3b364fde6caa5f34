#include "state_keeper.hpp"

#include <QDateTime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "fatal_report.hpp"
#include "state/whole_file.hpp"
#include "words/word_b.hpp"

namespace app {

StateKeeper::StateKeeper(form::Panel& panel, bus::Inpout& library,
                         const std::optional<std::string>& path)
    : panel_(panel), path_(path.value_or(state::default_state_path())) {
  resting_.setSingleShot(true);
  resting_.setInterval(kRest);
  connect(&resting_, &QTimer::timeout, this, [this] { save(); });
  library.on_word_sent([this](std::string_view word) {
    if (words::is_word_b(word)) word_b_ = words::choice_of(panel_.form().state());
  });
  panel_.on_event_done([this] { changed(); });
}

StateKeeper::~StateKeeper() {
  // Only a clean exit's: after a failure the panel's state is not one to come back to.
  if (!panel_.failed() && current() != saved_) save();
}

state::PanelState StateKeeper::current() const {
  const auto& form = panel_.form().state();
  return {form.iDiv, word_b_, form.iDel};
}

void StateKeeper::changed() {
  if (current() != saved_ && !resting_.isActive()) resting_.start();
}

void StateKeeper::save() {
  const state::PanelState now = current();
  if (const auto failure = state::write_whole(path_, state::format_state(now))) {
    if (!warned_) {
      print_error("Cannot keep the tuning in the state file " + path_ + ": " + *failure +
                  ". It goes on, and --resume will find the last state kept");
    }
    warned_ = true;
    return;
  }
  saved_ = now;
  warned_ = false;
}

void StateKeeper::resume(const SendWordB& send_word_b) {
  std::ifstream file(path_, std::ios::binary);
  if (!file) return;
  std::ostringstream text;
  text << file.rdbuf();
  const auto parsed = state::parse_state(text.str());
  if (const auto* why = std::get_if<std::string>(&parsed)) {
    const std::string aside =
        path_ + ".bad-" + QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss").toStdString();
    std::error_code moved;
    std::filesystem::rename(path_, aside, moved);
    print_error("The state file " + path_ + " holds no state this program can resume: " + *why +
                (moved ? "; it could not be set aside (" + moved.message() + ")"
                       : "; it is set aside as " + aside) +
                ". Starting as without --resume");
    return;
  }
  const auto& kept = std::get<state::PanelState>(parsed);
  panel_.set_bus_speed(kept.speed);
  panel_.tune(kept.divider);
  if (kept.word_b && send_word_b) send_word_b(*kept.word_b);
}

}  // namespace app

#pragma once

#include <functional>
#include <optional>
#include <string>

#include "bus/inpout.hpp"
#include "form/panel.hpp"
#include "state/kept_file.hpp"
#include "state/panel_state.hpp"

namespace app {

// Keeps the panel's divider, the settings of the last Word B sent and the bus speed in the
// state file, so that --resume finds them after a restart or a power cut: written as KeptFile
// writes once the panel changes after its start-up, and at a clean exit, not after a failure.
// Make it once the panel has started: the start-up is no change to keep.
class StateKeeper {
 public:
  // `path`: the state file; none, the state folder's.
  StateKeeper(form::Panel& panel, bus::Inpout& library, const std::optional<std::string>& path);
  ~StateKeeper();
  StateKeeper(const StateKeeper&) = delete;
  StateKeeper& operator=(const StateKeeper&) = delete;

  // Reads the file: false, after saying why, where --state names something that is no file. A
  // file that holds no state is set aside with the time in its name, and said (`resume`: as
  // --resume meets it).
  bool read(bool resume);

  // Puts the panel where the file left it: the bus speed, the divider, then its Word B with the
  // settings that `word_b` names (a --word-b's text) changed, through `send_word_b`. Whether it
  // sent one. No state read: nothing to do.
  using SendWordB = std::function<void(const words::WordBChoice&)>;
  bool resume(const SendWordB& send_word_b, const std::optional<std::string>& word_b);

 private:
  state::PanelState current() const;

  form::Panel& panel_;
  std::optional<words::WordBChoice> word_b_;  // the last sent
  state::KeptFile file_;
  std::optional<state::PanelState> kept_;  // what read() found
};

}  // namespace app

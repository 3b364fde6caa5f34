#pragma once

#include <functional>
#include <optional>
#include <string>

#include "bus/inpout.hpp"
#include "form/panel.hpp"
#include "kept_file.hpp"
#include "state/panel_state.hpp"

namespace app {

// Keeps the panel's divider, the settings of the last Word B sent and the bus speed in the
// state file, so that --resume finds them after a restart or a power cut: written as KeptFile
// writes, and at a clean exit, not after a failure.
class StateKeeper {
 public:
  // `path`: the state file; none, the state folder's.
  StateKeeper(form::Panel& panel, bus::Inpout& library, const std::optional<std::string>& path);
  ~StateKeeper();
  StateKeeper(const StateKeeper&) = delete;
  StateKeeper& operator=(const StateKeeper&) = delete;

  // Puts the panel where the file left it: the bus speed, the divider, then its Word B through
  // `send_word_b`, unless that is empty (the command line gives one). No file: nothing to do. A
  // file that holds no state is set aside with the time in its name, and said.
  using SendWordB = std::function<void(const words::WordBChoice&)>;
  void resume(const SendWordB& send_word_b);

 private:
  state::PanelState current() const;

  form::Panel& panel_;
  std::optional<words::WordBChoice> word_b_;  // the last sent
  KeptFile file_;
};

}  // namespace app

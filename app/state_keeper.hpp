#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "bus/inpout.hpp"
#include "form/panel.hpp"
#include "state/panel_state.hpp"

namespace app {

// Keeps the panel's divider, the settings of the last Word B sent and the bus speed in the
// state file, so that --resume finds them after a restart or a power cut. A change is written
// kRest after it and no sooner than kRest after the last write, however often clients tune (a
// Doppler client tunes ten times a second, and a Raspberry Pi's SD card wears), and at a clean
// exit, not after a failure. A write that fails is said once until one succeeds; the panel goes
// on.
class StateKeeper : public QObject {
 public:
  static constexpr std::chrono::milliseconds kRest{2000};

  // `path`: the state file; none, the state folder's.
  StateKeeper(form::Panel& panel, bus::Inpout& library, const std::optional<std::string>& path);
  ~StateKeeper() override;
  StateKeeper(const StateKeeper&) = delete;
  StateKeeper& operator=(const StateKeeper&) = delete;

  // Puts the panel where the file left it: the bus speed, the divider, then its Word B through
  // `send_word_b`, unless that is empty (the command line gives one). No file: nothing to do. A
  // file that holds no state is set aside with the time in its name, and said.
  using SendWordB = std::function<void(const words::WordBChoice&)>;
  void resume(const SendWordB& send_word_b);

 private:
  state::PanelState current() const;
  void changed();
  void save();

  form::Panel& panel_;
  std::string path_;
  std::optional<words::WordBChoice> word_b_;  // the last sent
  std::optional<state::PanelState> saved_;
  QTimer resting_;
  bool warned_ = false;
};

}  // namespace app

#pragma once

#include "form/panel.hpp"
#include "rigctl_protocol/tuner.hpp"

namespace rigctl_server {

// Remote clients tune through the panel's divider slider, so a window shows what they set.
class PanelTuner : public rigctl_protocol::Tuner {
 public:
  explicit PanelTuner(form::Panel& panel) : panel_(panel) {}
  std::int32_t divider() const override { return panel_.divider(); }
  words::Step step() const override { return panel_.step(); }
  void tune(std::int32_t divider) override { panel_.tune(divider); }
  bool failed() const override { return panel_.failed(); }

 private:
  form::Panel& panel_;
};

}  // namespace rigctl_server

#pragma once

#include "form/control.hpp"
#include "rigctl/tuner.hpp"
#include "window/form1_window.hpp"

namespace app {

// Remote clients tune through the divider slider, so the panel shows what they set.
class WindowTuner : public rigctl::Tuner {
 public:
  explicit WindowTuner(window::Form1Window& window) : window_(window) {}
  std::int32_t divider() const override { return window_.value(form::Control::hscDiv); }
  void tune(std::int32_t divider) override { window_.move_divider(divider); }

 private:
  window::Form1Window& window_;
};

}  // namespace app

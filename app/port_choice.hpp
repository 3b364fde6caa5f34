#pragma once

#include <memory>

#include "bus/port.hpp"
#include "cli/options.hpp"
#include "window/form1_window.hpp"

namespace app {

// The back end the options ask for, and how the information line describes it.
struct PortChoice {
  std::unique_ptr<bus::Port> port;
  window::Form1Window::StatusSource status;
};

PortChoice choose_port(const cli::Options& options);

}  // namespace app

#include <gtest/gtest.h>

#include "ports/port_choice.hpp"
#include "with_port.hpp"

namespace {

TEST(PortChoice, ADeviceIsReachedThroughPpdev) {
  const auto choice = ports::choose_port(with_port(cli::DevicePath{"/nonexistent/parport7"}));
  EXPECT_EQ(choice.label(), "/nonexistent/parport7");
  EXPECT_EQ(choice.description(), "Port /nonexistent/parport7 (ppdev)");
}

TEST(PortChoice, GpioLinesAreReachedThroughTheGpioCharacterDevice) {
  const auto choice =
      ports::choose_port(with_port(cli::GpioLines{"gpiochip0", {"GPIO17", "GPIO27", "GPIO22"}}));
  EXPECT_EQ(choice.label(), "gpiochip0");
  EXPECT_EQ(choice.description(), "Port gpiochip0 lines GPIO17,GPIO27,GPIO22 (GPIO)");
}

}  // namespace

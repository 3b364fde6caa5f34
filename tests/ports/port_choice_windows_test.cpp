#include <gtest/gtest.h>

#include "bus/inpout.hpp"
#include "common/fatal_error.hpp"
#include "ports/port_choice.hpp"
#include "with_port.hpp"

namespace {

TEST(PortChoice, TheStandardPortIsReachedThroughThePortLibrary) {
  const auto choice = ports::choose_port({});
  EXPECT_EQ(choice.label(), "0x378");
  EXPECT_EQ(choice.description(), "Port 0x378 (inpoutx64.dll)");
}

TEST(PortChoice, AnAddressIsReachedThroughThePortLibrary) {
  const auto choice = ports::choose_port(with_port(cli::IoAddress{0xD010}));
  EXPECT_EQ(choice.description(), "Port 0xd010 (inpoutx64.dll)");
}

TEST(PortChoice, ADevicePathIsRefusedAtTheFirstWrite) {
  auto choice = ports::choose_port(with_port(cli::DevicePath{"/dev/parport0"}));
  bus::Inpout library{*choice.port};
  EXPECT_THROW(library.Out32(888, 0), common::FatalError);
}

}  // namespace

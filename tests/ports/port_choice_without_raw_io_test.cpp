#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "bus/inpout.hpp"
#include "common/fatal_error.hpp"
#include "ports/port_choice.hpp"
#include "with_port.hpp"

namespace {

TEST(PortChoice, AnAddressIsRefusedWhereThereIsNoPortIo) {
  auto choice = ports::choose_port(with_port(cli::IoAddress{0x378}));
  bus::Inpout library{*choice.port};
  try {
    library.Out32(888, 0);
    FAIL() << "accepted";
  } catch (const common::FatalError& error) {
    EXPECT_THAT(error.what(), ::testing::HasSubstr("raw port I/O at 0x378 exists only on x86"));
  }
}

}  // namespace

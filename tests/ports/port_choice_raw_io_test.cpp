#include <gtest/gtest.h>

#include "ports/port_choice.hpp"
#include "with_port.hpp"

namespace {

TEST(PortChoice, AnAddressIsReachedThroughRawIo) {
  const auto choice = ports::choose_port(with_port(cli::IoAddress{0x278}));
  EXPECT_EQ(choice.label(), "0x278");
  EXPECT_EQ(choice.description(), "Port 0x278 (raw I/O)");
}

}  // namespace

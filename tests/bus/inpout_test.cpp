#include "bus/inpout.hpp"

#include <gtest/gtest.h>

#include "bus/recording_port.hpp"
#include "bus/unavailable_port.hpp"
#include "common/fatal_error.hpp"

namespace {

TEST(Inpout, BindsTheBackEndOnceAtTheFirstWrite) {
  bus::RecordingPort port;
  bus::Inpout library{port};
  EXPECT_EQ(port.binds(), 0);
  library.Out32(888, 0);
  library.Out32(890, 1);
  library.Out32(888, 8);
  EXPECT_EQ(port.binds(), 1);
  EXPECT_EQ(port.writes().size(), 3u);
}

TEST(Inpout, OnlyTheLowByteOfTheValueReachesTheRegister) {
  bus::RecordingPort port;
  bus::Inpout library{port};
  library.Out32(888, 0x1FF);
  library.Out32(888, -1);
  EXPECT_EQ(port.writes()[0].value, 0xFF);
  EXPECT_EQ(port.writes()[1].value, 0xFF);
}

TEST(Inpout, NegativeSixteenBitPortsAreTheHighAddresses) {
  bus::RecordingPort port;
  bus::Inpout library{port};
  library.Out32(static_cast<std::int16_t>(-12272), 0);
  EXPECT_EQ(port.writes()[0].address, 0xD010);
}

TEST(Inpout, AFailedBindIsFatalAndWritesNothing) {
  bus::UnavailablePort port{"the test has none."};
  bus::Inpout library{port};
  try {
    library.Out32(888, 0);
    FAIL() << "binding did not fail";
  } catch (const common::FatalError& error) {
    const std::string message = error.what();
    EXPECT_NE(message.find("parallel port"), std::string::npos) << message;
    EXPECT_NE(message.find("--simulate"), std::string::npos) << message;
  }
  EXPECT_FALSE(library.bound());
}

}  // namespace

#include "bus/ppdev_port.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <optional>

#include "bus/inpout.hpp"
#include "bus/recording_port.hpp"
#include "bus/transmitter.hpp"
#include "common/fatal_error.hpp"
#include "fake_kernel.hpp"
#include "support/counting_spin.hpp"

namespace {

using ::testing::HasSubstr;

// The register writes of start-up (Word A for 11690, then the rest state), as ioctl calls.
std::vector<std::string> start_up_as_ioctls() {
  bus::RecordingPort recorder;
  bus::Inpout library{recorder};
  const bus::BusSettings settings{888, 0};
  const bus::Transmitter transmitter{settings, library, support::counting_spin};
  transmitter.Send("0010110110101010");
  transmitter.rest_lines();
  std::vector<std::string> ioctls;
  for (const auto& write : recorder.writes()) {
    ioctls.push_back((write.address == 888 ? "PPWDATA " : "PPWCONTROL ") +
                     std::to_string(write.value));
  }
  return ioctls;
}

class PpdevPortTest : public ::testing::Test {
 protected:
  void SetUp() override { fake_kernel::reset(); }

  std::string failure_of(bus::Port& port) {
    try {
      bus::Inpout library{port};
      library.Out32(888, 0);
    } catch (const common::FatalError& error) {
      return error.what();
    }
    return "no failure";
  }

  std::optional<bus::PpdevPort> port{std::in_place, "/dev/parport0", 0x378,
                                     fake_kernel::system_calls()};
};

TEST_F(PpdevPortTest, StartUpOpensClaimsAndWritesEveryRegisterValueAsGiven) {
  fake_kernel::fail("PPEXCL", EBUSY);  // exclusive access is welcome, not required
  bus::Inpout library{*port};
  const bus::BusSettings settings{888, 0};
  const bus::Transmitter transmitter{settings, library, support::counting_spin};
  transmitter.Send("0010110110101010");
  transmitter.rest_lines();
  port.reset();

  std::vector<std::string> expected{"open /dev/parport0", "PPEXCL", "PPCLAIM"};
  for (const auto& call : start_up_as_ioctls()) expected.push_back(call);
  expected.push_back("PPRELEASE");
  expected.push_back("close");
  EXPECT_EQ(fake_kernel::calls(), expected);
}

TEST_F(PpdevPortTest, AWriteToAnyOtherAddressIsRefused) {
  bus::Inpout library{*port};
  library.Out32(888, 0);
  try {
    library.Out32(889, 0);
    FAIL() << "accepted";
  } catch (const common::FatalError& error) {
    EXPECT_THAT(error.what(), HasSubstr("0x379"));
    EXPECT_THAT(error.what(), HasSubstr("/dev/parport0"));
  }
  EXPECT_EQ(fake_kernel::calls().back(), "PPWDATA 0");
}

TEST_F(PpdevPortTest, NamesItsDeviceAndBase) {
  EXPECT_EQ(port->name(), "/dev/parport0 (0x378, ppdev)");
  EXPECT_EQ(bus::PpdevPort("/dev/parport3", std::nullopt, fake_kernel::system_calls()).name(),
            "/dev/parport3 (ppdev)");
}

TEST_F(PpdevPortTest, OpenFailuresNameTheReasonAndTheWayOut) {
  const std::tuple<int, const char*, const char*> cases[] = {
      {ENOENT, "Cannot open /dev/parport0: No such file or directory", "modprobe ppdev parport_pc"},
      {EACCES, "Cannot open /dev/parport0: Permission denied", "lp group"},
      {EIO, "Cannot open /dev/parport0: Input/output error", "another port with --port"},
  };
  for (const auto& [error_number, reason, way_out] : cases) {
    fake_kernel::reset();
    fake_kernel::fail("open", error_number);
    const auto message = failure_of(*port);
    EXPECT_THAT(message, HasSubstr(reason));
    EXPECT_THAT(message, HasSubstr(way_out));
    EXPECT_THAT(message, HasSubstr("--simulate"));
  }
}

TEST_F(PpdevPortTest, AClaimHeldElsewhereIsNamedAndTheDeviceClosed) {
  fake_kernel::fail("PPCLAIM", EBUSY);
  const auto message = failure_of(*port);
  EXPECT_THAT(message, HasSubstr("Cannot claim /dev/parport0: Device or resource busy"));
  EXPECT_THAT(message, HasSubstr("Another program holds the port"));
  EXPECT_EQ(fake_kernel::calls().back(), "close");
  port.reset();
  EXPECT_EQ(fake_kernel::calls().back(), "close");  // not released or closed twice
  EXPECT_EQ(std::count(fake_kernel::calls().begin(), fake_kernel::calls().end(), "close"), 1);
}

TEST_F(PpdevPortTest, ADeviceThatGoesAwayMidWordEndsTheTransmission) {
  fake_kernel::fail("PPWDATA", ENODEV, 10);
  bus::Inpout library{*port};
  const bus::BusSettings settings{888, 0};
  const bus::Transmitter transmitter{settings, library, support::counting_spin};
  try {
    transmitter.Send("0010110110101010");
    FAIL() << "no failure";
  } catch (const common::FatalError& error) {
    EXPECT_THAT(error.what(), HasSubstr("Write failed on /dev/parport0: No such device"));
  }
  const auto writes = std::count_if(fake_kernel::calls().begin(), fake_kernel::calls().end(),
                                    [](const std::string& c) { return c.starts_with("PPW"); });
  EXPECT_EQ(writes, 12);  // 11 data writes (the last failing) and one control write
}

}  // namespace

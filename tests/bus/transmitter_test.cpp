#include "bus/transmitter.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bus/recording_port.hpp"
#include "common/fatal_error.hpp"
#include "support/counting_spin.hpp"

namespace {

using bus::PortWrite;

constexpr std::uint16_t D = 888;
constexpr std::uint16_t C = 890;

class TransmitterTest : public ::testing::Test {
 protected:
  void SetUp() override { support::spins().clear(); }

  // Each wait is two spins, so the number of waits is half the spins.
  std::size_t waits() const { return support::spins().size() / 2; }

  bus::RecordingPort port;
  bus::Inpout library{port};
  bus::BusSettings settings{888, 0};
  bus::Transmitter transmitter{settings, library, support::counting_spin};
};

TEST_F(TransmitterTest, EmptyWordStillSendsTheLeadingZeroAndTheLoadPulse) {
  transmitter.Send("");
  const std::vector<PortWrite> expected{{D, 0}, {C, 0}, {D, 128}, {D, 0}, {C, 1}, {D, 128}, {D, 0}};
  EXPECT_EQ(port.writes(), expected);
  EXPECT_EQ(waits(), 9u);  // one after each write, two more at the end
}

TEST_F(TransmitterTest, OneBitIsFramedByDataAroundTheClockPulse) {
  transmitter.Send("1");
  const std::vector<PortWrite> expected{
      {D, 0},   {C, 0},                    // enable asserted
      {D, 128}, {D, 0},                    // leading zero
      {D, 8},   {D, 136}, {D, 8}, {D, 0},  // data up, clock pulse, data down
      {C, 1},   {D, 128}, {D, 0},          // release, load pulse
  };
  EXPECT_EQ(port.writes(), expected);
}

TEST_F(TransmitterTest, WriteAndWaitCountsFollowLengthAndOnes) {
  // Among them Word A for 11690: 17 bits with 8 ones, 55 writes and 57 waits.
  for (const std::string word : {"", "0", "0000000000000000", "1111111111111111",
                                 "0010110110101010", "0101010101010101010"}) {
    port.clear();
    support::spins().clear();
    transmitter.Send(word);
    const std::size_t n = word.size() + 1;
    const std::size_t k = static_cast<std::size_t>(std::ranges::count(word, '1'));
    EXPECT_EQ(port.writes().size(), 5 + 2 * n + 2 * k) << word;
    EXPECT_EQ(waits(), 7 + 2 * n + 2 * k) << word;
  }
}

TEST_F(TransmitterTest, AnyCharacterOtherThanOneIsAZeroBit) {
  transmitter.Send("1x0 2");
  const auto odd = port.writes();
  port.clear();
  transmitter.Send("10000");
  EXPECT_EQ(odd, port.writes());
}

TEST_F(TransmitterTest, DelayCountSetsOnlyTheWaitsNotTheWrites) {
  transmitter.Send("0010110110101010");
  const auto fast = port.writes();
  EXPECT_EQ(support::spun_iterations(), 0);

  port.clear();
  support::spins().clear();
  settings.iDel = 100;
  transmitter.Send("0010110110101010");
  EXPECT_EQ(port.writes(), fast);
  EXPECT_EQ(support::spun_iterations(), 57 * 1100);

  support::spins().clear();
  settings.iDel = 1000;
  transmitter.Send("0010110110101010");
  EXPECT_EQ(support::spun_iterations(), 57 * 11000);
}

TEST_F(TransmitterTest, OneWaitIsTheDelayCountThenTenTimesIt) {
  settings.iDel = 100;
  transmitter.delay();
  EXPECT_EQ(support::spins(), (std::vector<std::int32_t>{100, 1000}));
}

TEST_F(TransmitterTest, DelayCountTimesTenOverflowIsFatal) {
  settings.iDel = 214748365;
  EXPECT_THROW(transmitter.delay(), common::FatalError);
  settings.iDel = 214748364;
  EXPECT_NO_THROW(transmitter.delay());
}

TEST_F(TransmitterTest, ControlRegisterOverflowIsFatalBeforeAnyWrite) {
  settings.iPort = 32766;
  try {
    transmitter.Send("0");
    FAIL() << "no overflow reported";
  } catch (const common::FatalError& error) {
    EXPECT_NE(std::string(error.what()).find("iPort + 2"), std::string::npos) << error.what();
  }
  EXPECT_TRUE(port.writes().empty());
  settings.iPort = 32765;
  EXPECT_NO_THROW(transmitter.Send("0"));
}

TEST_F(TransmitterTest, RestingTheLinesWritesDataThenControlWithoutWaits) {
  transmitter.rest_lines();
  EXPECT_EQ(port.writes(), (std::vector<PortWrite>{{D, 0}, {C, 1}}));
  EXPECT_TRUE(support::spins().empty());
}

}  // namespace

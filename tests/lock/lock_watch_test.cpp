#include "lock/lock_watch.hpp"

#include <gtest/gtest.h>

#include "bus/inpout.hpp"
#include "bus/transmitter.hpp"
#include "sim/simulated_synthesizer.hpp"
#include "support/golden.hpp"
#include "words/word_a.hpp"

namespace {

// The simulated chip with its test pin wired back, on the model's time, and a transmitter
// that sends to it as the panel does.
struct Bench {
  sim::SimulatedSynthesizer chip{true, sim::SimulatedSynthesizer::Time::model};
  bus::Inpout library{chip};
  bus::BusSettings settings{888, 0};
  bus::Transmitter transmitter{settings, library};

  // A Word B as its 16 bits, a Word A as its divider.
  void send(const std::string& word) {
    transmitter.Send(word.size() == 16 ? word : words::converD_B(std::stoi(word)));
  }
};

TEST(SimulatedTestPin, FollowsWordBsTestFunctionAndTheOscillator) {
  for (const auto& row : support::golden("test_pin.txt")) {
    const auto columns = support::fields(row);
    const auto sent = support::split(columns[0], " ");
    Bench bench;
    bench.send(sent[0]);
    bench.send(sent[1]);
    bench.chip.clock().pause(std::chrono::microseconds(std::stoi(sent[2])));
    EXPECT_EQ(bench.chip.lock_level() ? "high" : "low", columns[1]) << row;
  }
}

TEST(LockWatch, SaysWhenTheChipLockedOrWhyItCannotTell) {
  for (const auto& row : support::golden("lock_watch.txt")) {
    const auto columns = support::fields(row);
    Bench bench;
    lock::LockWatch watch{bench.chip};
    bench.library.on_word_sent([&watch](std::string_view word) { watch.sent(word); });
    for (const auto& word : support::split(columns[0], " ")) {
      bench.send(word);
      watch.settle();
    }
    EXPECT_EQ(lock::describe(watch.state()), columns[1]) << row;
  }
}

// Lock times as the log, the page and the CSV show them: milliseconds to the nearest tenth, a
// half rounded up. The simulated chip's are read a poll apart and never fall between tenths; a
// board's, read on the machine's clock, do.
TEST(LockWatch, GivesTimesToTheNearestTenthOfAMillisecond) {
  const std::pair<std::int64_t, const char*> rows[] = {
      {0, "0.0"},         {49'999, "0.0"},    {50'000, "0.1"},      {1'249'999, "1.2"},
      {1'250'000, "1.3"}, {1'970'000, "2.0"}, {99'949'999, "99.9"}, {99'950'000, "100.0"},
  };
  for (const auto& [nanoseconds, shown] : rows) {
    EXPECT_EQ(lock::milliseconds(std::chrono::nanoseconds(nanoseconds)), shown) << nanoseconds;
  }
}

TEST(LockWatch, ReadsNothingWithoutALockLine) {
  sim::SimulatedSynthesizer chip{false, sim::SimulatedSynthesizer::Time::model};
  lock::LockWatch watch{chip};
  watch.sent("1100000100000101");
  EXPECT_FALSE(watch.waiting());
  EXPECT_EQ(watch.state().kind, lock::LockState::Kind::unknown);
}

}  // namespace

#include "lock/lock_watch.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <tuple>
#include <vector>

#include "bus/inpout.hpp"
#include "bus/transmitter.hpp"
#include "sim/simulated_synthesizer.hpp"
#include "support/golden.hpp"
#include "words/word_a.hpp"

namespace {

using namespace std::chrono_literals;

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

// A slow loop given more time, or less: a high that began within the timeout may finish its
// settling after it.
TEST(LockWatch, GivesEachWordItsTimeout) {
  const struct {
    int timeout_ms;
    int divider;
    const char* said;
  } rows[] = {
      {5, 8599, "not locked within 5 ms"},
      {1, 8600, "locked after 0.5 ms"},
      {3, 12850, "not locked within 3 ms"},
      {4, 12850, "locked after 3.4 ms"},
  };
  for (const auto& row : rows) {
    Bench bench;
    lock::LockWatch watch{bench.chip, std::chrono::milliseconds(row.timeout_ms)};
    bench.library.on_word_sent([&watch](std::string_view word) { watch.sent(word); });
    bench.send("1100000100000101");
    bench.send(std::to_string(row.divider));
    EXPECT_EQ(lock::describe(watch.settle()), row.said) << row.divider;
  }
}

// A word sent before the last one's lock was decided gives that one a verdict of its own.
TEST(LockWatch, AWordReplacedBeforeItsVerdictIsSaidToBe) {
  const struct {
    int read_for_us;  // readings of 8600 before 9000 replaces it; -1: until decided
    std::optional<std::string> said;
  } rows[] = {
      {0, "replaced after 0.0 ms, not locked yet"},
      {400, "replaced after 0.4 ms, not locked yet"},
      {2400, "replaced after 2.4 ms, not locked yet"},  // high since 0.5 ms, not yet for 2
      {-1, std::nullopt},
  };
  for (const auto& row : rows) {
    Bench bench;
    lock::LockWatch watch{bench.chip};
    std::vector<std::optional<lock::LockState>> verdicts;
    bench.library.on_word_sent(
        [&](std::string_view word) { verdicts.push_back(watch.sent(word)); });
    bench.send("1100000100000101");
    watch.settle();
    bench.send("8600");
    for (int us = 0; row.read_for_us < 0 ? watch.waiting() : us <= row.read_for_us; us += 100) {
      watch.read();
    }
    bench.send("9000");
    ASSERT_EQ(verdicts.size(), 3u);
    EXPECT_EQ(verdicts[2] ? std::optional(lock::describe(*verdicts[2])) : std::nullopt, row.said)
        << row.read_for_us;
  }
}

// An FTDI pin read is a USB round trip: readings a millisecond apart span the settle time in
// three, and the watch waits for a fourth before it trusts the line.
TEST(LockWatch, CountsReadingsAsWellAsTime) {
  struct SlowReads : bus::Port {
    sim::SimulatedSynthesizer& chip;
    int readings = 0;
    explicit SlowReads(sim::SimulatedSynthesizer& c) : chip(c) {}
    std::string name() const override { return "slow"; }
    std::string label() const override { return "slow"; }
    void write(bus::Register, std::uint8_t) override {}
    std::optional<std::string> lock_line() const override { return chip.lock_line(); }
    bool lock_level() override {
      ++readings;
      chip.clock().pause(std::chrono::microseconds(900));
      return chip.lock_level();
    }
    bus::Clock& clock() override { return chip.clock(); }
  };
  Bench bench;
  bench.send("1100000100000101");
  bench.send("11690");
  bench.chip.clock().pause(std::chrono::milliseconds(5));  // locked long since
  SlowReads port{bench.chip};
  lock::LockWatch watch{port};
  watch.sent("1100000100000101");
  EXPECT_EQ(lock::describe(watch.settle()), "locked after 0.0 ms");
  EXPECT_EQ(port.readings, 4);
}

TEST(LockWatch, ReadsNothingWithoutALockLine) {
  sim::SimulatedSynthesizer chip{false, sim::SimulatedSynthesizer::Time::model};
  lock::LockWatch watch{chip};
  watch.sent("1100000100000101");
  EXPECT_FALSE(watch.waiting());
  EXPECT_EQ(watch.state().kind, lock::LockState::Kind::unknown);
}

}  // namespace

// A locked loop then disturbed: its line as the chip gives it out of lock (low for 0.2 ms of
// every 1 ms, from when it was set) or held low by a filter.
struct Disturbed : bus::Port {
  enum class Line { high, low, pulsing };
  Bench bench;
  Line line = Line::high;
  std::chrono::nanoseconds set_at{};
  std::string name() const override { return "disturbed"; }
  std::string label() const override { return "disturbed"; }
  void write(bus::Register target, std::uint8_t value) override { bench.chip.write(target, value); }
  std::optional<std::string> lock_line() const override { return bench.chip.lock_line(); }
  bool lock_level() override {
    const auto into_period = (clock().now() - set_at) % std::chrono::milliseconds(1);
    return line == Line::high || (line == Line::pulsing && into_period >= 200us);
  }
  bus::Clock& clock() override { return bench.chip.clock(); }
};

// Once locked, each look tells a loss or a regain once; the times are the model's.
TEST(LockWatch, TellsALockLostAndRegainedOnceEach) {
  using Line = Disturbed::Line;
  const struct {
    // The line, whether the system told it fell, and the look's time after the line was set.
    std::vector<std::tuple<Line, bool, std::chrono::microseconds>> looks;
    std::vector<std::string> said;  // the news of each look, "" for none
  } rows[] = {
      {{{Line::high, false, 250ms}}, {""}},
      {{{Line::low, false, 250ms}, {Line::low, false, 250ms}, {Line::high, false, 250ms}},
       {"lock lost at 12:00:00, locked for 0.3 s", "",
        "lock regained at 12:00:00, lost for 0.5 s"}},
      // Out of lock the line is high 80 % of the time: a look between its pulses sees nothing.
      {{{Line::pulsing, false, 250'500us}, {Line::pulsing, false, 250'100us}},
       {"", "lock lost at 12:00:00, locked for 0.5 s"}},
      // A loss told by the system stands though the line reads high again; a lock regained needs
      // a settle time of high readings, which pulses break.
      {{{Line::high, true, 250ms}, {Line::pulsing, false, 250'500us}},
       {"lock lost at 12:00:00, locked for 0.3 s", ""}},
  };
  for (const auto& row : rows) {
    Disturbed port;
    bus::Inpout library{port};
    bus::Transmitter transmitter{port.bench.settings, library};
    lock::LockWatch watch{port};
    library.on_word_sent([&watch](std::string_view word) { watch.sent(word); });
    transmitter.Send("1100000100000101");
    transmitter.Send(words::converD_B(11690));
    ASSERT_EQ(lock::describe(watch.settle()), "locked after 0.0 ms");
    std::vector<std::string> said;
    for (const auto& [line, fell, after] : row.looks) {
      port.line = line;
      port.set_at = port.clock().now();
      port.clock().pause(after);
      const auto news = watch.check(fell, "12:00:00");
      said.push_back(news ? lock::describe(*news) : "");
    }
    EXPECT_EQ(said, row.said) << row.said.front();
  }
}

TEST(LockWatch, GivesHowLongALockOrALossLastedInTheUnitsThatFit) {
  using namespace std::chrono;
  const std::pair<nanoseconds, const char*> rows[] = {
      {milliseconds(49), "0.0 s"},          {milliseconds(59'949), "59.9 s"},
      {seconds(60), "1 min 0 s"},           {seconds(3599), "59 min 59 s"},
      {minutes(133), "2 h 13 min"},         {hours(24) - seconds(1), "23 h 59 min"},
      {hours(77) + minutes(59), "3 d 5 h"},
  };
  for (const auto& [time, shown] : rows) EXPECT_EQ(lock::lasting(time), shown);
}

#include "lock/lock_watch.hpp"

#include <gtest/gtest.h>

#include <map>
#include <optional>

#include "bus/inpout.hpp"
#include "bus/transmitter.hpp"
#include "sim/simulated_synthesizer.hpp"
#include "support/golden.hpp"
#include "words/word_a.hpp"

namespace {

using namespace std::chrono_literals;
const std::string kInLock = "1100000100000101";

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
    auto sent = support::split(columns[0], " ");
    std::chrono::milliseconds timeout = lock::kLockTimeout;
    if (sent[0].ends_with("ms")) {
      timeout = std::chrono::milliseconds(std::stoi(sent[0]));
      sent.erase(sent.begin());
    }
    Bench bench;
    lock::LockWatch watch{bench.chip, timeout};
    std::string said;
    bench.library.on_word_sent([&](std::string_view word) {
      if (const auto verdict = watch.sent(word)) said += lock::describe(*verdict) + "; ";
    });
    for (std::size_t i = 0; i < sent.size(); ++i) {
      if (sent[i].starts_with('~')) continue;
      bench.send(sent[i]);
      if (i + 1 == sent.size() || !sent[i + 1].starts_with('~')) {
        watch.settle();
        continue;
      }
      for (int us = 0; us <= std::stoi(sent[i + 1].substr(1)); us += 100) watch.read();
    }
    EXPECT_EQ(said + lock::describe(watch.state()), columns[1]) << row;
  }
}

// Lock times as the log, the page and the CSV show them, and how long a lock or a loss lasted.
TEST(LockWatch, GivesTimesInTheUnitsThatFit) {
  const std::map<std::string, std::chrono::nanoseconds> units{{"ns", 1ns}, {"ms", 1ms}, {"s", 1s}};
  for (const auto& row : support::golden("lock_times.txt")) {
    const auto columns = support::fields(row);
    const auto time = support::split(columns[0], " ");  // function, count, unit
    const auto given = std::stoll(time[1]) * units.at(time[2]);
    EXPECT_EQ(time[0] == "lasting" ? lock::lasting(given) : lock::milliseconds(given), columns[1])
        << row;
  }
}

// The chip behind a board's line: the line held high or low by a filter, or as the chip gives it
// out of lock (low for 0.2 ms of every 1 ms, from when it was set); each reading taking
// `reading`, as an FTDI pin read takes a USB round trip.
struct Board : bus::Port {
  enum class Line { high, low, pulsing };
  Bench bench;
  Line line = Line::high;
  std::chrono::nanoseconds set_at{};
  std::chrono::microseconds reading{};
  int readings = 0;
  std::string name() const override { return "board"; }
  std::string label() const override { return "board"; }
  void write(bus::Register target, std::uint8_t value) override { bench.chip.write(target, value); }
  std::optional<std::string> lock_line() const override { return bench.chip.lock_line(); }
  bool lock_level() override {
    ++readings;
    clock().pause(reading);
    const auto into_period = (clock().now() - set_at) % 1ms;
    return line == Line::high || (line == Line::pulsing && into_period >= 200us);
  }
  bus::Clock& clock() override { return bench.chip.clock(); }
};

// Readings a millisecond apart span the settle time in three: the watch waits for a fourth.
TEST(LockWatch, CountsReadingsAsWellAsTime) {
  Board port;
  port.reading = 900us;
  lock::LockWatch watch{port};
  watch.sent(kInLock);
  EXPECT_EQ(lock::describe(watch.settle()), "locked after 0.0 ms");
  EXPECT_EQ(port.readings, 4);
}

TEST(LockWatch, ReadsNothingWithoutALockLine) {
  sim::SimulatedSynthesizer chip{false, sim::SimulatedSynthesizer::Time::model};
  lock::LockWatch watch{chip};
  watch.sent(kInLock);
  EXPECT_FALSE(watch.waiting());
  EXPECT_EQ(watch.state().kind, lock::LockState::Kind::unknown);
}

TEST(LockWatch, TellsALockLostAndRegainedOnceEach) {
  const std::map<std::string, Board::Line> lines{
      {"high", Board::Line::high}, {"low", Board::Line::low}, {"pulsing", Board::Line::pulsing}};
  for (const auto& row : support::golden("lock_news.txt")) {
    const auto columns = support::fields(row);
    Board port;
    bus::Inpout library{port};
    bus::Transmitter transmitter{port.bench.settings, library};
    lock::LockWatch watch{port};
    library.on_word_sent([&watch](std::string_view word) { watch.sent(word); });
    transmitter.Send(kInLock);
    transmitter.Send(words::converD_B(11690));
    ASSERT_EQ(lock::describe(watch.settle()), "locked after 0.0 ms");
    std::string said;
    for (const auto& look : support::split(columns[0], "; ")) {
      const auto words = support::split(look, " ");  // line, "fell", microseconds
      port.line = lines.at(words[0]);
      port.set_at = port.clock().now();
      port.clock().pause(std::chrono::microseconds(std::stoi(words.back())));
      const auto news = watch.check(words[1] == "fell", "12:00:00");
      said += (said.empty() ? "" : "; ") + (news ? lock::describe(*news) : "-");
    }
    EXPECT_EQ(said, columns[1]) << row;
  }
}

}  // namespace

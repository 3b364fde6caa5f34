#include "lock/lock_watch.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>

#include "bus/inpout.hpp"
#include "bus/transmitter.hpp"
#include "sim/simulated_synthesizer.hpp"
#include "support/golden.hpp"
#include "sweep/frequency_axis.hpp"
#include "sweep/sweep_plot.hpp"
#include "sweep/sweep_report.hpp"
#include "words/word_a.hpp"

namespace {

using namespace std::chrono_literals;

// The simulated chip with its test pin wired back (unless not `wired`), on the model's time, and
// a transmitter that sends to it as the panel does. Its line may stand for a board's instead:
// held "high" or "low" by a filter, or "pulsing" as the chip gives it out of lock (low for 0.2 ms
// of every 1 ms, from when it was set); each reading taking `reading`, as an FTDI pin read takes
// a USB round trip.
struct Bench : sim::SimulatedSynthesizer {
  explicit Bench(bool wired = true) : SimulatedSynthesizer{wired, Time::model} {}
  bool lock_level() override {
    ++readings;
    clock().pause(reading);
    if (line.empty()) return SimulatedSynthesizer::lock_level();
    return line == "high" || (line == "pulsing" && (clock().now() - set_at) % 1ms >= 200us);
  }
  std::chrono::nanoseconds lock_level_span() const override { return span; }
  // A Word B as its 16 bits, a Word A as its divider.
  void send(const std::string& word) {
    transmitter.Send(word.size() == 16 ? word : words::converD_B(std::stoi(word)));
  }
  std::string line;
  std::chrono::nanoseconds set_at{};
  std::chrono::microseconds reading{};
  std::chrono::microseconds span{};  // of the reading, sampled as a USB burst samples
  int readings = 0;
  bus::Inpout library{*this};
  bus::BusSettings settings{888, 0};
  bus::Transmitter transmitter{settings, library};
};

SAA_ROWS_TEST(SimulatedSynthesizer, LoadsWellFormedWordsAndSaysWhatTheySet, "simulated_chip.txt",
              frames) {
  // Each frame written as simulated_chip.txt gives it. The data line flips while the clock is
  // high: only its level at the rising edge may count.
  using bus::Register;
  sim::SimulatedSynthesizer chip;
  for (const auto& frame : support::split(frames, " ")) {
    chip.write(Register::control, 0);
    for (const char bit : frame.substr(1, frame.find(']') - 1)) {
      const int data = bit == '1' ? 8 : 0;
      for (const int value : {data, data | 128, (data ^ 8) | 128, 0})
        chip.write(Register::data, static_cast<std::uint8_t>(value));
    }
    chip.write(Register::control, 1);
    if (frame.ends_with('-')) continue;
    chip.write(Register::data, 128);
    chip.write(Register::data, 0);
  }
  return chip.description();
}

SAA_ROWS_TEST(SimulatedTestPin, FollowsWordBsTestFunctionAndTheOscillator, "test_pin.txt", given) {
  const auto sent = support::split(given, " ");
  Bench bench;
  bench.send(sent[0]);
  bench.send(sent[1]);
  bench.clock().pause(std::chrono::microseconds(std::stoi(sent[2])));
  return bench.lock_level() ? "high" : "low";
}

SAA_ROWS_TEST(LockWatch, SaysWhenTheChipLockedOrWhyItCannotTell, "lock_watch.txt", given) {
  auto sent = support::split(given, " ");
  const bool timed = sent[0].ends_with("ms"), wired = sent[timed] != "unwired";
  Bench bench{wired};
  lock::LockWatch watch{bench,
                        timed ? std::chrono::milliseconds(std::stoi(sent[0])) : lock::kLockTimeout};
  sent.erase(sent.begin(), sent.begin() + timed + !wired);
  std::string said;
  bench.library.on_word_sent([&](std::string_view word) {
    if (const auto verdict = watch.sent(word)) said += lock::describe(*verdict) + "; ";
  });
  for (std::size_t i = 0; i < sent.size(); ++i) {
    if (sent[i].starts_with('~')) continue;
    bench.send(sent[i]);
    const bool reads = i + 1 < sent.size() && sent[i + 1].starts_with('~');
    for (int us = 0; reads && us <= std::stoi(sent[i + 1].substr(1)); us += 100) watch.read();
    if (!reads) watch.settle();
  }
  return said + lock::describe(watch.state());
}

// Lock times as the log, the page and the CSV show them, and how long a lock or a loss lasted.
SAA_ROWS_TEST(LockWatch, GivesTimesInTheUnitsThatFit, "lock_times.txt", given) {
  const std::map<std::string, std::chrono::nanoseconds> units{{"ns", 1ns}, {"ms", 1ms}, {"s", 1s}};
  const auto time = support::split(given, " ");  // function, count, unit
  const auto span = std::stoll(time[1]) * units.at(time[2]);
  return time[0] == "lasting" ? lock::lasting(span) : lock::milliseconds(span);
}

// A reading is dated when it came back, less the span it sampled: readings of 900 us that
// sampled their last 450 us lock at 0.45 ms. Readings a millisecond apart span the settle time
// in three: the watch waits for a fourth. Once locked, each loss and each regaining is told once.
SAA_ROWS_TEST(LockWatch, DatesAndCountsReadingsThenTellsALockLostAndRegainedOnceEach,
              "lock_news.txt", looks) {
  Bench bench;
  bench.line = "high";
  bench.reading = 900us;
  bench.span = 450us;
  lock::LockWatch watch{bench};
  bench.library.on_word_sent([&watch](std::string_view word) { watch.sent(word); });
  bench.send("1100000100000101");  // the test pin on the in-lock counter
  bench.send("11690");
  EXPECT_EQ(lock::describe(watch.settle()), "locked after 0.5 ms");
  EXPECT_EQ(bench.readings, 4);
  bench.reading = {};
  std::string said;
  for (const auto& look : support::split(looks, "; ")) {
    const auto parts = support::split(look, " ");  // line, "fell", microseconds
    bench.line = parts[0];
    bench.set_at = bench.clock().now();
    bench.clock().pause(std::chrono::microseconds(std::stoi(parts.back())));
    const auto news = watch.check(parts[1] == "fell", "12:00:00");
    said += (said.empty() ? "" : "; ") + (news ? lock::describe(*news) : "-");
  }
  return said;
}

SAA_ROWS_TEST(FrequencyAxis, RoundTicksThatFitWithBothEndsLabelledForEverySpan,
              "frequency_ticks.txt", given) {
  const auto range = support::split(given, " ");
  std::string labels;
  for (const auto& tick : sweep::frequency_ticks(std::stoi(range[0]), std::stoi(range[1]), 632))
    labels += (labels.empty() ? "" : " ") + tick.label;
  return labels;
}

// The simulated chip's line always changes during a sweep, so these ends are a board's: a line
// that never changed says how it may be wired wrong.
SAA_ROWS_TEST(SweepReport, ALineThatNeverChangedIsDoubtedEitherWay, "wiring_doubts.txt", line) {
  const std::vector<sweep::SweepRow> swept{{8600, std::nullopt}, {8610, std::nullopt}};
  const lock::LockWatch::Levels read{line.starts_with("high"), line.ends_with("low")};
  return sweep::wiring_doubt(read, "pin 10 (nAck)", swept).value_or("-");
}

// A board may lose lock inside its range, which the simulated chip never does: the plot's line
// breaks there, a step that locked alone is a dot, and each gap is shaded, as wide downward as
// upward.
TEST(SweepPlot, EachStretchThatLockedIsALineOfItsOwnAndEachGapIsShaded) {
  std::vector<sweep::SweepRow> up{{8590, std::nullopt}, {8600, 500us},        {8610, std::nullopt},
                                  {8620, std::nullopt}, {8630, 600us},        {8640, 700us},
                                  {8650, std::nullopt}, {8660, 800us},        {8670, 900us},
                                  {8680, 900us},        {8690, std::nullopt}, {8700, 900us}};
  std::vector<sweep::SweepRow> down(up.rbegin(), up.rend());
  std::vector<std::string> shaded[2];
  for (const auto& [rows, gap] : {std::pair{&up, "75.40 to 75.50"}, {&down, "75.50 to 75.40"}}) {
    const std::string svg = sweep::svg_plot(*rows, std::chrono::milliseconds(100));
    // Pieces around each: one more than there are.
    EXPECT_EQ(support::split(svg, "<polyline").size(), 3u) << gap;
    EXPECT_EQ(support::split(svg, "<circle").size(), 3u) << gap;
    EXPECT_EQ(support::split(svg, "not locked from " + std::string(gap) + " MHz</title>").size(),
              2u)
        << gap;
    for (const auto& line : support::split(svg, "\n")) {
      if (line.starts_with("<rect x="))
        shaded[rows == &down].push_back(line.substr(0, line.find(" fill")));
    }
    std::ranges::sort(shaded[rows == &down]);
  }
  EXPECT_EQ(shaded[0].size(), 4u);
  EXPECT_EQ(shaded[0], shaded[1]);
}

}  // namespace

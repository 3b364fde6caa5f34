#include "trace/tracing_port.hpp"

#include <gtest/gtest.h>

#include "sim/simulated_synthesizer.hpp"
#include "support/golden.hpp"
#include "support/wire.hpp"

namespace {

TEST(TracingPort, RecordsAShortWordAsTheChipsPinsSeeIt) {
  const support::TraceFile trace;
  support::RecordingPort inner;
  trace::VcdWriter writer{trace.path.string(), "test", {}};
  int readings = 0;
  trace::TracingPort tracer{inner, writer, [&readings] { return readings++ ? 10 : 5000; }};
  support::wire().clear();
  support::send_words(tracer, "10@100");
  support::expect_golden(support::wire(), "send_10.txt");  // the recorder behind sees it all
  // complete once the word is sent, before the file is closed
  support::expect_golden(trace.lines(), "send_10.vcd");
  // The information line names the port traced, not the recorder.
  EXPECT_EQ(tracer.name(), "recording port");
  EXPECT_EQ(tracer.description(), "Port recording port");
  tracer.close();
}

// The lock line as the watch reads it through the recorder: a fourth wire, unknown until first
// read, then each change once, at the time of the reading that saw it.
TEST(TracingPort, RecordsTheLockLineAtTheReadingsThatChangeIt) {
  const support::TraceFile trace;
  sim::SimulatedSynthesizer chip{true, sim::SimulatedSynthesizer::Time::model};
  trace::VcdWriter writer{trace.path.string(), "test", {}, true};
  trace::TracingPort tracer{chip, writer, [now = 0LL]() mutable { return now += 1000; }};
  support::send_words(tracer, "1100000100000101@0 0010000110011000@0");  // N 8600
  // Its last out-of-lock pulse runs from 300 us after the load to the lock at 500 us.
  for (const auto& [us, high] : {std::pair{300, false}, {199, false}, {1, true}, {1, true}}) {
    chip.clock().pause(std::chrono::microseconds(us));
    EXPECT_EQ(tracer.lock_level(), high) << us;
  }
  tracer.close();
  // The lock's lines, each change with its stamp.
  std::vector<std::string> lock_lines;
  std::string stamp;
  for (const auto& line : trace.lines()) {
    if (line.starts_with("#")) stamp = line;
    if (line.ends_with("$") && line.size() == 2) lock_lines.push_back(stamp + " " + line);
    if (line.find(" LOCK ") != std::string::npos) lock_lines.push_back(line);
  }
  ASSERT_EQ(lock_lines.size(), 4u) << ::testing::PrintToString(lock_lines);
  // The clock gives 1000 ns more at every reading of it: the high level was first read two
  // readings after the first low one, and the readings between wrote nothing.
  const long low_at = std::stol(lock_lines[2].substr(1));
  EXPECT_EQ(lock_lines, (std::vector<std::string>{"$var wire 1 $ LOCK $end", "#0 x$",
                                                  "#" + std::to_string(low_at) + " 0$",
                                                  "#" + std::to_string(low_at + 2000) + " 1$"}));
}

}  // namespace

#include "trace/tracing_port.hpp"

#include <gtest/gtest.h>

#include <filesystem>

#include "bus/inpout.hpp"
#include "bus/transmitter.hpp"
#include "common/fatal_error.hpp"
#include "sim/simulated_synthesizer.hpp"
#include "support/counting_spin.hpp"
#include "vcd_reader.hpp"

namespace {

class TracingPortTest : public ::testing::Test {
 protected:
  TracingPortTest()
      : path((std::filesystem::temp_directory_path() /
              ("trace-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".vcd"))
                 .string()) {}
  ~TracingPortTest() override { std::filesystem::remove(path); }

  // Sends a word through a tracer whose clock stands still at `now`.
  void send(trace::VcdWriter& writer, const std::string& word) {
    trace::TracingPort tracer{chip, writer, [this] { return now; }};
    bus::Inpout library{tracer};
    const bus::Transmitter transmitter{settings, library, support::counting_spin};
    transmitter.Send(word);
  }

  std::string path;
  std::int64_t now = 1000;
  sim::SimulatedSynthesizer chip{888};
  bus::BusSettings settings{888, 0};
};

TEST_F(TracingPortTest, HeaderDeclaresThreeOneBitWiresInNanoseconds) {
  { trace::VcdWriter writer{path, "saa1057-panel 9", {}}; }
  const auto dump = vcd::read(path);
  const std::vector<std::string> declarations(dump.header.begin() + 2, dump.header.end());
  EXPECT_EQ(declarations, (std::vector<std::string>{
                              "$timescale 1ns $end", "$scope module saa1057 $end",
                              "$var wire 1 ! CLB $end", "$var wire 1 \" DATA $end",
                              "$var wire 1 # DLEN $end", "$upscope $end", "$enddefinitions $end"}));
  EXPECT_EQ(dump.header[1], "$version saa1057-panel 9 $end");
  EXPECT_EQ(dump.body, (std::vector<std::string>{"#0", "$dumpvars", "0!", "0\"", "0#", "$end"}));
}

TEST_F(TracingPortTest, RecordsEveryPulseOfAWordWithStrictlyRisingStamps) {
  trace::VcdWriter writer{path, "v", {}};
  send(writer, "0010110110101010");
  EXPECT_EQ(chip.decoded_word_a()->divider, 11690);  // the writes reached the chip

  const auto dump = vcd::read(path);  // flushed at the end of the word, while still open
  const auto pulses = vcd::count_pulses(dump);
  EXPECT_EQ(pulses.enabled, 17);
  EXPECT_EQ(pulses.released, 1);
  for (std::size_t i = 1; i < dump.samples.size(); ++i) {
    ASSERT_GT(dump.samples[i].stamp, dump.samples[i - 1].stamp);
  }
  EXPECT_EQ(dump.samples[1].stamp, 1000);
  EXPECT_TRUE(dump.body.back().starts_with("#")) << "no closing time stamp";
}

TEST_F(TracingPortTest, WritesOnlyWhatChanged) {
  trace::VcdWriter writer{path, "v", {}};
  send(writer, "1");
  std::vector<std::string> changes;
  for (const auto& line : vcd::read(path).body) {
    if (!line.starts_with("#") && !line.starts_with("$")) changes.push_back(line);
  }
  // After $dumpvars: enable up, pulse of the leading zero, data up, clock pulse, data down,
  // enable down, load pulse. The first write (data register 0) changed nothing.
  EXPECT_EQ(changes, (std::vector<std::string>{"0!", "0\"", "0#", "1#", "1!", "0!", "1\"", "1!",
                                               "0!", "0\"", "0#", "1!", "0!"}));
}

TEST_F(TracingPortTest, StampsKeepMovingOnAcrossWords) {
  trace::VcdWriter writer{path, "v", {}};
  send(writer, "0");
  now = 10;  // a clock that reads less than what was written must not make stamps go back
  send(writer, "0");
  const auto dump = vcd::read(path);
  for (std::size_t i = 1; i < dump.samples.size(); ++i) {
    ASSERT_GT(dump.samples[i].stamp, dump.samples[i - 1].stamp);
  }
  EXPECT_EQ(vcd::count_pulses(dump).released, 2);
}

}  // namespace

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "../window/scroll_bar_parts.hpp"
#include "bus/inpout.hpp"
#include "form/form1.hpp"
#include "sim/simulated_synthesizer.hpp"
#include "support/counting_spin.hpp"
#include "trace/tracing_port.hpp"
#include "vcd_reader.hpp"
#include "window/form1_window.hpp"

namespace {

namespace fs = std::filesystem;

struct CommandResult {
  int status;
  std::string out;
  std::string err;
};

CommandResult run(const std::string& command) {
  const fs::path err = fs::temp_directory_path() / ("trace-tool-" + std::to_string(::getpid()));
  CommandResult result{-1, "", ""};
  if (std::FILE* pipe = ::popen((command + " 2>" + err.string()).c_str(), "r")) {
    std::array<char, 4096> buffer;
    std::size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
      result.out.append(buffer.data(), n);
    result.status = ::pclose(pipe);
  }
  std::ifstream file(err);
  result.err.assign(std::istreambuf_iterator<char>(file), {});
  fs::remove(err);
  return result;
}

std::vector<unsigned> decoded_words(const std::string& vcd_path, int word_size) {
  const auto result = run("sigrok-cli -I vcd -i " + vcd_path +
                          " -P spi:clk=CLB:mosi=DATA:cs=DLEN:cs_polarity=active-high:cpol=0:"
                          "cpha=0:bitorder=msb-first:wordsize=" +
                          std::to_string(word_size) + " -A spi=mosi-data");
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "") << "sigrok-cli complained";
  std::vector<unsigned> words;
  std::istringstream lines(result.out);
  std::string line;
  while (std::getline(lines, line)) {
    const auto colon = line.rfind(' ');
    words.push_back(static_cast<unsigned>(std::stoul(line.substr(colon + 1), nullptr, 16)));
  }
  return words;
}

unsigned word_value(const std::string& bits) {
  return static_cast<unsigned>(std::stoul(bits, nullptr, 2));
}

// A session on the real window: start-up, three tuning steps, REFH, "Send Word 'B'".
class TracedSession : public ::testing::Test {
 protected:
  void SetUp() override {
    path =
        (fs::temp_directory_path() / ("session-" + std::to_string(::getpid()) + ".vcd")).string();
    writer.emplace(path, "saa1057-panel test", trace::LineLevels{});
    tracer.emplace(chip, *writer, trace::monotonic_clock_from_now());
    library.emplace(*tracer);
    form.emplace(window, *library, support::counting_spin);
    window.attach(*form, {}, [](const std::string& message) { FAIL() << message; });
    window.load();

    auto* bar = window.findChild<QScrollBar*>("hscDiv");
    for (int step = 0; step < 3; ++step) {
      QTest::mouseClick(bar, Qt::LeftButton, {}, centre_of(bar, QStyle::SC_ScrollBarAddLine));
    }
    QTest::mouseClick(window.findChild<QPushButton*>("cmdREFH"), Qt::LeftButton);
    QTest::mouseClick(window.findChild<QPushButton*>("cmdSend"), Qt::LeftButton);
    tracer->close();
  }
  void TearDown() override { fs::remove(path); }

  std::string path;
  sim::SimulatedSynthesizer chip{888};
  std::optional<trace::VcdWriter> writer;
  std::optional<trace::TracingPort> tracer;
  std::optional<bus::Inpout> library;
  window::Form1Window window;
  std::optional<form::Form1> form;
};

TEST_F(TracedSession, SigrokDecodesExactlyTheWordsThatWereSent) {
  ASSERT_EQ(chip.counts().words_loaded, 5);
  const std::vector<unsigned> sent{word_value("0010110110101010"), word_value("0010110110110100"),
                                   word_value("0010110110111110"), word_value("0010110111001000"),
                                   word_value("1110000100000000")};
  EXPECT_EQ(decoded_words(path, 17), sent);
}

TEST_F(TracedSession, EveryEnableWindowHoldsSeventeenClocksAndTheLoadPulseLiesOutside) {
  // Bit by bit, sigrok sees only what lies inside the enable windows.
  EXPECT_EQ(decoded_words(path, 1).size(), 5u * 17);
  const auto dump = vcd::read(path);
  int in_window = 0;
  bool clock = false, enable = false;
  std::vector<int> windows;
  for (const auto& sample : dump.samples) {
    if (sample.levels.enable && !enable) in_window = 0;
    if (sample.levels.clock && !clock && sample.levels.enable) ++in_window;
    if (!sample.levels.enable && enable) windows.push_back(in_window);
    clock = sample.levels.clock;
    enable = sample.levels.enable;
  }
  EXPECT_EQ(windows, std::vector<int>(5, 17));
  EXPECT_EQ(vcd::count_pulses(dump).released, 5);
}

TEST_F(TracedSession, OpensInGtkWave) {
  const auto result = run("xvfb-run -a gtkwave -x " + path);
  EXPECT_EQ(result.status, 0) << result.out << result.err;
  EXPECT_NE(result.err.find("] end time."), std::string::npos) << result.err;
  EXPECT_EQ(result.err.find("malformed"), std::string::npos) << result.err;
}

}  // namespace

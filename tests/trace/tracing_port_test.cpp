#include "trace/tracing_port.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "support/golden.hpp"
#include "support/wire.hpp"

namespace {

TEST(TracingPort, RecordsAShortWordAsTheChipsPinsSeeIt) {
  const auto path =
      std::filesystem::temp_directory_path() / ("trace-" + std::to_string(::getpid()) + ".vcd");
  support::RecordingPort inner;
  trace::VcdWriter writer{path.string(), "test", {}};
  int readings = 0;
  trace::TracingPort tracer{inner, writer, [&readings] { return readings++ ? 10 : 5000; }};
  support::send_short_word(tracer);

  std::vector<std::string> lines;
  std::ifstream file(path);
  for (std::string line; std::getline(file, line);) {
    if (!line.starts_with("$date ")) lines.push_back(line);
  }
  file.close();
  support::expect_golden(lines, "send_10.vcd");
  // The information line names the port traced, not the recorder.
  EXPECT_EQ(tracer.name(), "recording port");
  EXPECT_EQ(tracer.description(), "Port recording port");
  tracer.close();
  std::filesystem::remove(path);
}

}  // namespace

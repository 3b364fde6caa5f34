#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <iterator>

#include "support/golden.hpp"
#include "trace/vcd_writer.hpp"

namespace {

// A trace into a pipe whose reader goes away: the writes that follow fail.
TEST(VcdWriter, AWriteThatFailsLaterIsReportedOnceAndTheCloseIsQuiet) {
  int pipe_ends[2];
  ASSERT_EQ(::pipe(pipe_ends), 0);
  std::signal(SIGPIPE, SIG_IGN);
  trace::VcdWriter writer{"/dev/fd/" + std::to_string(pipe_ends[1]), "v", {}};
  ::close(pipe_ends[0]);
  writer.change(5, {true, false, false});
  // In the words of tests/app/rigctl_clients_test.py's trace whose reader goes away.
  EXPECT_NE(support::failure_of([&writer] { writer.flush(6); }), "no failure");
  writer.change(7, {false, false, false});
  EXPECT_EQ(support::failure_of([&writer] { writer.close(8); }), "no failure");
  ::close(pipe_ends[1]);
}

// The header is the first write: a full disk refuses it before the constructor returns.
TEST(VcdWriter, AHeaderThatCannotBeWrittenIsReportedAndTheFileClosed) {
  const auto open_files = [] {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
  };
  const auto before = open_files();
  // In the words of tests/app/program_runs.txt's --trace /dev/full.
  EXPECT_NE(support::failure_of([] { trace::VcdWriter{"/dev/full", "v", {}}; }), "no failure");
  EXPECT_EQ(open_files(), before);
}

}  // namespace

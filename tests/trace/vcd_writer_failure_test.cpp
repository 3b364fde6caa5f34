#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>

#include "common/fatal_error.hpp"
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
  try {
    writer.flush(6);
    FAIL() << "the broken pipe went unnoticed";
  } catch (const common::FatalError& error) {
    EXPECT_NE(std::string(error.what()).find("Broken pipe"), std::string::npos) << error.what();
  }
  writer.change(7, {false, false, false});
  EXPECT_NO_THROW(writer.close(8));
  ::close(pipe_ends[1]);
}

}  // namespace

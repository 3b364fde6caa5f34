// SIGINT and SIGTERM reach the event loop through the program's own handler.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>
#include <cerrno>
#include <csignal>

#include "process_platform.hpp"

namespace {

// Far more signals than the handler's pipe holds, before the loop runs: none may block the
// process or change errno for the code it interrupted; they end the loop they came in, and no
// later one.
TEST(Signals, AFloodOfSignalsNeitherBlocksNorChangesErrno) {
  for (int i = 0; i < 100'000; ++i) {
    errno = EIO;
    std::raise(i % 2 ? SIGINT : SIGTERM);
    ASSERT_EQ(errno, EIO) << "after signal " << i;
  }
  EXPECT_EQ(QCoreApplication::exec(), 0);
  // A loop that no signal ends runs until this ends it.
  QTimer::singleShot(300, [] { QCoreApplication::exit(7); });
  EXPECT_EQ(QCoreApplication::exec(), 7);
}

}  // namespace

int main(int argc, char** argv) {
  // A handler that blocks would hang the test: end it with a reason instead.
  std::signal(SIGALRM, [](int) {
    const char message[] = "the signal handling blocked for a minute\n";
    [[maybe_unused]] const auto written = ::write(2, message, sizeof message - 1);
    ::_exit(1);
  });
  ::alarm(60);
  QCoreApplication application(argc, argv);
  app::quit_on_signals();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

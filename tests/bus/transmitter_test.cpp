#include "bus/transmitter.hpp"

#include <gtest/gtest.h>

#include "support/golden.hpp"
#include "support/wire.hpp"

namespace {

TEST(Transmitter, SendsAShortWordWriteByWriteAndWaitByWait) {
  support::wire().clear();
  support::RecordingPort port;
  support::send_short_word(port);
  support::expect_golden(support::wire(), "send_10.txt");
}

}  // namespace

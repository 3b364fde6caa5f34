#include "common/failure_message.hpp"

#include <gtest/gtest.h>

#include <cstdint>

#include "common/checked_math.hpp"
#include "support/golden.hpp"

namespace {

// The two messages no other test reaches: a build without real ports, whose only way out is
// the simulated chip, and an overflowing sum.
TEST(FailureMessage, ABuildWithoutPortsAndAnOverflowingSumSayWhatFailed) {
  EXPECT_EQ(common::failure_message("Cannot open the parallel port",
                                    "this build has no back end for real parallel ports",
                                    common::or_try_simulate()),
            "Cannot open the parallel port: this build has no back end for real parallel ports. "
            "Try --simulate.");
  EXPECT_EQ(support::failure_of([] { common::checked_add<std::int16_t>(32767, 2, "the sum"); }),
            "Arithmetic overflow in the sum: 32767 + 2 does not fit in 16 bits.");
}

}  // namespace

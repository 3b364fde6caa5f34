#include "bus/raw_io_port.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>

#include "bus/inpout.hpp"
#include "common/fatal_error.hpp"
#include "fake_kernel.hpp"

namespace {

using ::testing::HasSubstr;

class RawIoPortTest : public ::testing::Test {
 protected:
  void SetUp() override { fake_kernel::reset(); }
};

TEST_F(RawIoPortTest, AsksForThreePortsThenWritesDataAndControlAtTheBase) {
  {
    bus::RawIoPort port{0x278, fake_kernel::port_io_calls()};
    bus::Inpout library{port};
    library.Out32(888, 136);
    library.Out32(890, 0);
  }
  EXPECT_EQ(fake_kernel::calls(), (std::vector<std::string>{"ioperm 0x278 3 1", "outb 0x278 136",
                                                            "outb 0x27a 0", "ioperm 0x278 3 0"}));
}

TEST_F(RawIoPortTest, HighBasesOfAddInCardsAreUnsigned) {
  bus::RawIoPort port{0xFFFD, fake_kernel::port_io_calls()};
  bus::Inpout library{port};
  library.Out32(890, 1);
  EXPECT_EQ(fake_kernel::calls().back(), "outb 0xffff 1");
  EXPECT_EQ(port.name(), "0xfffd (raw I/O)");
}

TEST_F(RawIoPortTest, RefusedPermissionSaysWhatIsNeeded) {
  fake_kernel::fail("ioperm", EPERM);
  bus::RawIoPort port{0x378, fake_kernel::port_io_calls()};
  bus::Inpout library{port};
  try {
    library.Out32(888, 0);
    FAIL() << "no failure";
  } catch (const common::FatalError& error) {
    EXPECT_THAT(error.what(),
                HasSubstr("No I/O permission for I/O ports 0x378-0x37a: Operation not permitted"));
    EXPECT_THAT(error.what(), HasSubstr("root or CAP_SYS_RAWIO"));
    EXPECT_THAT(error.what(), HasSubstr("--simulate"));
  }
  EXPECT_EQ(fake_kernel::calls().size(), 1u);  // nothing written, nothing to give back
}

TEST_F(RawIoPortTest, AWriteToAnyOtherAddressIsRefused) {
  bus::RawIoPort port{0x378, fake_kernel::port_io_calls()};
  bus::Inpout library{port};
  EXPECT_THROW(library.Out32(891, 0), common::FatalError);
  EXPECT_EQ(fake_kernel::calls().size(), 1u);
}

}  // namespace

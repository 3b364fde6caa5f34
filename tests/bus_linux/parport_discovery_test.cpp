#include "bus/parport_discovery.hpp"

#include <gtest/gtest.h>

#include <fstream>

namespace {

namespace fs = std::filesystem;

class ParportDiscovery : public ::testing::Test {
 protected:
  void SetUp() override {
    root =
        fs::temp_directory_path() /
        ("parport-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(root);
    fs::create_directories(root);
  }
  void TearDown() override { fs::remove_all(root); }

  void publish(const std::string& port, const std::string& base_addr) {
    fs::create_directories(root / port);
    std::ofstream(root / port / "base-addr") << base_addr;
  }

  fs::path root;
};

TEST_F(ParportDiscovery, FindsThePortAtTheStandardBase) {
  publish("parport0", "632\t1656\n");
  publish("parport1", "888\t1912\n");
  publish("default", "");
  const auto device = bus::standard_parport(root);
  EXPECT_EQ(device.path, "/dev/parport1");
  EXPECT_EQ(device.base, 888);
}

TEST_F(ParportDiscovery, FallsBackToTheFirstPort) {
  publish("parport0", "53264\t0\n");
  const auto device = bus::standard_parport(root);
  EXPECT_EQ(device.path, "/dev/parport0");
  EXPECT_EQ(device.base, 0xD010);
  EXPECT_EQ(bus::standard_parport(root / "missing").path, "/dev/parport0");
  EXPECT_FALSE(bus::standard_parport(root / "missing").base);
}

TEST_F(ParportDiscovery, ReadsTheBaseOfANamedDeviceOnly) {
  publish("parport2", "888\n");
  publish("parport3", "garbage\n");
  EXPECT_EQ(bus::parport_base("/dev/parport2", root), 888);
  EXPECT_FALSE(bus::parport_base("/dev/parport3", root));
  EXPECT_FALSE(bus::parport_base("/tmp/parport2", root));
}

}  // namespace

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <memory>

#include "bus/parport_discovery.hpp"
#include "bus/ppdev_port.hpp"
#include "fake_kernel.hpp"
#include "support/golden.hpp"
#include "support/wire.hpp"

namespace {

// The back end of a golden file's rows: ppdev on /dev/parport0, or raw I/O at 0xfffd (none
// where raw I/O is not built).
std::unique_ptr<bus::Port> port_of(const std::string& back_end) {
  if (back_end == "ppdev") {
    return std::make_unique<bus::PpdevPort>("/dev/parport0", 0x378, fake_kernel::system_calls());
  }
  return fake_kernel::raw_io_port(0xFFFD);
}

const bool kRawIoBuilt = fake_kernel::raw_io_port(0xFFFD) != nullptr;

TEST(LinuxPorts, WriteEveryRegisterThroughTheKernelAndGiveThePortBack) {
  fake_kernel::reset("PPEXCL", EBUSY);
  support::send_short_word(*port_of("ppdev"));
  support::expect_golden(fake_kernel::calls(), "ppdev_calls.txt");
  if (!kRawIoBuilt) return;
  fake_kernel::reset();
  support::send_short_word(*port_of("raw I/O"));
  support::expect_golden(fake_kernel::calls(), "raw_io_calls.txt");
}

TEST(LinuxPorts, AFailedCallNamesWhatFailedWhereTheSystemsReasonAndTheWayOut) {
  for (const auto& row : support::golden("port_failures.txt")) {
    const auto columns = support::fields(row);
    if (columns[0] != "ppdev" && !kRawIoBuilt) continue;
    fake_kernel::reset(columns[1], std::stoi(columns[2]), std::stoi(columns[3]));
    EXPECT_EQ(support::failure_of([&columns] { support::send_short_word(*port_of(columns[0])); }),
              columns[4]);
    EXPECT_EQ(fake_kernel::calls().back(), columns[5]) << row;
    EXPECT_LE(std::ranges::count(fake_kernel::calls(), "close"),
              std::ranges::count(fake_kernel::calls(), "open /dev/parport0"))
        << row;
  }
}

TEST(ParportDiscovery, FindsThePortAtTheStandardBaseElseTheFirst) {
  namespace fs = std::filesystem;
  const fs::path root = fs::temp_directory_path() / ("parport-" + std::to_string(::getpid()));
  const auto publish = [&root](const std::string& port, const std::string& base_addr) {
    fs::create_directories(root / port);
    std::ofstream(root / port / "base-addr") << base_addr;
  };
  fs::remove_all(root);
  EXPECT_EQ(bus::standard_parport(root).path, "/dev/parport0");  // the kernel says nothing
  EXPECT_FALSE(bus::standard_parport(root).base);
  publish("parport0", "53264\t0\n");
  EXPECT_EQ(bus::standard_parport(root).base, 0xD010);
  publish("parport1", "888\t1912\n");
  publish("parport3", "garbage\n");
  publish("default", "");
  EXPECT_EQ(bus::standard_parport(root).path, "/dev/parport1");
  EXPECT_EQ(bus::parport_base("/dev/parport1", root), 888);
  EXPECT_FALSE(bus::parport_base("/dev/parport3", root));
  EXPECT_FALSE(bus::parport_base("/tmp/parport1", root));
  fs::remove_all(root);
}

}  // namespace

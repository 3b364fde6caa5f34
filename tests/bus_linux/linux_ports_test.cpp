#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bus_linux/parport_discovery.hpp"
#include "bus_linux/ppdev_port.hpp"
#include "fake_kernel.hpp"
#include "support/golden.hpp"
#include "support/wire.hpp"

namespace {

namespace fs = std::filesystem;

// Where these tests publish what the kernel says of its ports (nothing unless a test writes it).
const fs::path kProcRoot = fs::temp_directory_path() / ("parport-" + std::to_string(::getpid()));

// The back end of a golden file's rows: ppdev on /dev/parport0, or raw I/O at 0xfffd (none
// where raw I/O is not built), with the lock line on status pin `lock_pin` when given.
std::unique_ptr<bus::Port> port_of(const std::string& back_end,
                                   std::optional<int> lock_pin = std::nullopt) {
  const auto pin = lock_pin ? bus::status_pin(*lock_pin) : std::nullopt;
  if (back_end == "ppdev") {
    return std::make_unique<bus::PpdevPort>("/dev/parport0", support::kStandardData, pin,
                                            fake_kernel::system_calls(), kProcRoot);
  }
  return fake_kernel::raw_io_port(0xFFFD, pin);
}

// The word "10", then the lock line's level.
bool send_then_read_lock(bus::Port& port) {
  support::send_short_word(port);
  return port.lock_level();
}

// Publishes what the kernel's port file `name` of parport0 says.
void publish(const std::string& name, const std::string& text) {
  fs::create_directories((kProcRoot / "parport0" / name).parent_path());
  std::ofstream(kProcRoot / "parport0" / name) << text;
}

const bool kRawIoBuilt = fake_kernel::raw_io_port(0xFFFD) != nullptr;

TEST(LinuxPorts, WriteEveryRegisterThroughTheKernelAndGiveThePortBack) {
  fake_kernel::reset("PPEXCL", EBUSY);
  auto ppdev = port_of("ppdev");
  support::send_short_word(*ppdev);
  EXPECT_FALSE(ppdev->lock_line());
  ppdev.reset();
  support::expect_golden(fake_kernel::calls(), "ppdev_calls.txt");
  if (!kRawIoBuilt) return;
  fake_kernel::reset();
  auto raw_io = port_of("raw I/O");
  support::send_short_word(*raw_io);
  EXPECT_FALSE(raw_io->lock_line());
  raw_io.reset();
  support::expect_golden(fake_kernel::calls(), "raw_io_calls.txt");
}

TEST(LinuxPorts, ReadsTheLockLineFromTheStatusRegisterAndNothingMore) {
  for (const auto& row : support::golden("lock_pins.txt")) {
    const auto columns = support::fields(row);
    if (columns[0] != "ppdev" && !kRawIoBuilt) continue;
    fake_kernel::reset();
    const auto port = port_of(columns[0], std::stoi(columns[1]));
    support::send_short_word(*port);
    const auto calls_of_the_word = fake_kernel::calls().size();
    fake_kernel::set_status(static_cast<std::uint8_t>(std::stoul(columns[2], nullptr, 16)));
    EXPECT_EQ(port->lock_level() ? "high" : "low", columns[3]) << row;
    EXPECT_EQ(port->lock_line(), columns[4]) << row;
    EXPECT_EQ(
        std::vector(fake_kernel::calls().begin() + calls_of_the_word, fake_kernel::calls().end()),
        std::vector{columns[5]})
        << row;
  }
}

TEST(LinuxPorts, AFailedCallNamesWhatFailedWhereTheSystemsReasonAndTheWayOut) {
  for (const auto& row : support::golden("port_failures.txt")) {
    const auto columns = support::fields(row);
    if (columns[0] != "ppdev" && !kRawIoBuilt) continue;
    fake_kernel::reset(columns[1], std::stoi(columns[2]), std::stoi(columns[3]));
    EXPECT_EQ(support::failure_of([&columns] { send_then_read_lock(*port_of(columns[0], 10)); }),
              columns[4]);
    EXPECT_EQ(fake_kernel::calls().back(), columns[5]) << row;
    EXPECT_LE(std::ranges::count(fake_kernel::calls(), "close"),
              std::ranges::count(fake_kernel::calls(), "open /dev/parport0"))
        << row;
  }
}

// The kernel refuses exclusive access (ENXIO) while another driver (lp) is registered on the
// port. Idle, the port is shared with it; held by anyone, it is refused at once, since a shared
// claim would wait for the holder without end.
TEST(LinuxPorts, SharesAPortThatADriverIsRegisteredOnOnlyWhileNobodyHoldsIt) {
  const std::vector<std::string> exclusive_refused{"open /dev/parport0", "PPEXCL", "PPCLAIM",
                                                   "close"};
  auto shared = exclusive_refused;
  shared.insert(shared.end(), {"open /dev/parport0", "PPCLAIM", "PPWDATA 0"});
  publish("devices/active", "none\n");
  fake_kernel::reset("PPCLAIM", ENXIO, 0, 1);
  support::send_short_word(*port_of("ppdev"));
  ASSERT_GE(fake_kernel::calls().size(), shared.size());
  EXPECT_EQ(std::vector(fake_kernel::calls().begin(), fake_kernel::calls().begin() + 7), shared);

  publish("devices/active", "ppdev0\n");
  fake_kernel::reset("PPCLAIM", ENXIO, 0, 1);
  EXPECT_EQ(support::failure_of([] { support::send_short_word(*port_of("ppdev")); }),
            "Cannot claim /dev/parport0: No such device or address. Another program holds the "
            "port: close it, pick another port with --port, or try --simulate.");
  EXPECT_EQ(fake_kernel::calls(), exclusive_refused);
  fs::remove_all(kProcRoot);
}

TEST(ParportDiscovery, FindsThePortAtTheStandardBaseElseTheFirst) {
  const fs::path& root = kProcRoot;
  const auto publish_base = [&root](const std::string& port, const std::string& base_addr) {
    fs::create_directories(root / port);
    std::ofstream(root / port / "base-addr") << base_addr;
  };
  fs::remove_all(root);
  EXPECT_EQ(bus::standard_parport(root).path, "/dev/parport0");  // the kernel says nothing
  EXPECT_FALSE(bus::standard_parport(root).base);
  publish_base("parport0", "53264\t0\n");
  EXPECT_EQ(bus::standard_parport(root).base, 0xD010);
  publish_base("parport1", std::to_string(support::kStandardData) + "\t1912\n");
  publish_base("parport3", "garbage\n");
  publish_base("default", "");
  EXPECT_EQ(bus::standard_parport(root).path, "/dev/parport1");
  EXPECT_EQ(bus::parport_base("/dev/parport1", root), support::kStandardData);
  EXPECT_FALSE(bus::parport_base("/dev/parport3", root));
  EXPECT_FALSE(bus::parport_base("/tmp/parport1", root));
  fs::remove_all(root);
}

}  // namespace

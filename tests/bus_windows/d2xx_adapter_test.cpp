#include "bus_windows/d2xx_adapter.hpp"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <tuple>

#include "bus_ftdi/ftdi_port.hpp"
#include "support/golden.hpp"
#include "support/wire.hpp"

namespace {

// Runs the stand-in ftd2xx.dll beside this program with the adapters `devices` ("-": its one
// FT232R) and the failure `fail` ("-": none), and reads back what it received.
class StandInDriver {
 public:
  // The pins' levels each sample reads back, `pins` ("0x08"; "-": none high).
  StandInDriver(const std::string& devices, const std::string& fail,
                const std::string& pins = "-") {
    std::filesystem::remove(log_);
    SetEnvironmentVariableA("STAND_IN_FTD2XX_LOG", log_.string().c_str());
    SetEnvironmentVariableA("STAND_IN_FTD2XX_DEVICES", devices == "-" ? nullptr : devices.c_str());
    SetEnvironmentVariableA("STAND_IN_FTD2XX_FAIL", fail == "-" ? nullptr : fail.c_str());
    SetEnvironmentVariableA("STAND_IN_FTD2XX_PINS", pins == "-" ? nullptr : pins.c_str());
  }
  ~StandInDriver() { std::filesystem::remove(log_); }

  std::vector<std::string> received() const {
    std::vector<std::string> lines;
    std::ifstream file(log_);
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    return lines;
  }

 private:
  std::filesystem::path log_ = std::filesystem::temp_directory_path() /
                               ("ftd2xx-" + std::to_string(GetCurrentProcessId()) + ".log");
};

// The adapter named "SERIAL/CHANNEL", "SERIAL" or "-" (the one plugged in), on `pins`.
bus::FtdiAddress address(const std::string& named, bus::FtdiPins pins = {}) {
  const auto parts = support::split(named == "-" ? "" : named, "/");
  return {parts.empty() ? "" : parts[0], parts.size() < 2 ? 0 : parts[1][0] - 'A', pins};
}

// The default pins with the lock on `lock` (bit `bit`).
bus::FtdiPins with_lock(const std::string& lock, int bit) {
  return {{"D0", "D1", "D2"}, {0, 1, 2}, bit, lock};
}

const std::string kSeveral =
    "held;5|A50285BI|0x21|FT232R USB UART;6|FT9ZL1A|0x2111|Dual RS232-HS A;"
    "6|FT9ZL1B|0x2112|Dual RS232-HS B";

// Each case of d2xx_calls.txt: the adapters plugged in, the one chosen, the words sent.
struct Session {
  std::string name;
  std::string devices;
  bus::FtdiAddress address;
  std::vector<std::pair<std::int32_t, std::string>> words;
};

TEST(D2xxAdapter, OpensTheChosenChannelAndSendsEachTransmissionInOneWrite) {
  const std::vector<Session> sessions{
      {"10 at 100 on the one FT232R", "-", address("-"), {{100, "10"}}},
      {"channel B of an FT2232H among others, on D4 D5 D6: 1 at 60, 0 at 1000, rest",
       kSeveral,
       address("FT9ZL1/B", {{"D4", "D5", "D6"}, {4, 5, 6}, std::nullopt, ""}),
       {{60, "1"}, {1000, "0"}, {1000, "rest"}}},
      {"10 at 100 on the one FT232R, lock on CTS",
       "-",
       address("-", with_lock("CTS", 3)),
       {{100, "10"}}},
  };
  std::vector<std::string> lines;
  for (const auto& session : sessions) {
    const StandInDriver driver{session.devices, "-"};
    {
      bus::FtdiPort port{std::make_unique<bus::D2xxAdapter>(), session.address};
      support::send_words(port, session.words);
      lines.push_back("case " + session.name);
      lines.push_back("label " + port.label());
      if (port.lock_line()) lines.push_back(port.lock_level() ? "lock high" : "lock low");
    }
    const auto received = driver.received();
    lines.insert(lines.end(), received.begin(), received.end());
  }
  support::expect_golden(lines, "d2xx_calls.txt");
}

// The lock pin's level is its bit of the pins the burst's samples read back.
TEST(D2xxAdapter, ReadsTheLockPinFromThePinsLevels) {
  const std::tuple<const char*, int, const char*, const char*> rows[] = {
      {"CTS", 3, "0x08", "high"},
      {"CTS", 3, "0xf7", "low"},
      {"RI", 7, "0x80", "high"},
      {"RI", 7, "0x7f", "low"},
  };
  for (const auto& [lock, bit, pins, level] : rows) {
    const StandInDriver driver{"-", "-", pins};
    bus::FtdiPort port{std::make_unique<bus::D2xxAdapter>(), address("-", with_lock(lock, bit))};
    port.bind();
    EXPECT_EQ(port.lock_level() ? "high" : "low", std::string(level)) << lock << " " << pins;
  }
}

// Every failure names the adapter, what went wrong and the way out, and leaves no channel open.
TEST(D2xxAdapter, FailuresSayWhatFailedWhyAndWhatToDo) {
  for (const auto& row : support::golden("d2xx_failures.txt")) {
    const auto columns = support::fields(row);
    const StandInDriver driver{columns[0] == "several" ? kSeveral : columns[0], columns[1]};
    {
      bus::FtdiPort port{std::make_unique<bus::D2xxAdapter>(),
                         address(columns[2], with_lock("D3", 3))};
      const auto message = support::failure_of([&port] {
        support::send_words(port, {{60, "1"}, {60, "1"}});
        port.lock_level();
      });
      EXPECT_EQ(message, columns[3]) << row;
    }
    const auto received = driver.received();
    EXPECT_EQ(received.empty() ? "-" : received.back(), columns[4]) << row;
  }
}

}  // namespace

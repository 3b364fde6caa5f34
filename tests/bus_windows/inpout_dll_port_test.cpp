#include "bus_windows/inpout_dll_port.hpp"

#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "bus/wiring.hpp"
#include "support/golden.hpp"
#include "support/wire.hpp"

namespace {

// The stand-in library's export `name`, once a port has loaded it.
template <typename Function>
Function stand_in(const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("inpoutx64.dll"), name)));
}

// What the stand-in library has received since it was loaded, read through its own export.
std::vector<std::string> received() {
  auto lines = support::split(stand_in<const char* (*)()>("StandInReceived")(), "\n");
  lines.pop_back();  // after the last line break
  return lines;
}

TEST(InpoutDllPort, EveryWriteReachesOut32InOrderAtThePortsBase) {
  bus::InpoutDllPort port{bus::default_inpout_library(), 0xD010};
  support::send_short_word(port);
  support::expect_golden(received(), "inpout_calls.txt");
}

// The lock line's status pin, read after the word from the status register at 0xd011: bit 0x40
// pin 10, 0x80 pin 11 (set when the pin is low: the port inverts it), 0x20 pin 12, 0x10 pin
// 13, 0x08 pin 15.
TEST(InpoutDllPort, ReadsTheLockLineFromTheStatusRegisterThroughInp32) {
  const std::tuple<int, short, const char*, const char*> rows[] = {
      {10, 0x40, "high", "pin 10 (nAck)"},     {10, 0xbf, "low", "pin 10 (nAck)"},
      {11, 0x80, "low", "pin 11 (Busy)"},      {11, 0x7f, "high", "pin 11 (Busy)"},
      {12, 0x20, "high", "pin 12 (PaperOut)"}, {13, 0xef, "low", "pin 13 (Select)"},
      {15, 0x08, "high", "pin 15 (nError)"},   {15, 0xf7, "low", "pin 15 (nError)"},
  };
  for (const auto& [pin, status, level, line] : rows) {
    bus::InpoutDllPort port{bus::default_inpout_library(), 0xD010, bus::status_pin(pin)};
    support::send_short_word(port);
    stand_in<void (*)(short)>("StandInSetStatus")(status);
    EXPECT_EQ(port.lock_level() ? "high" : "low", std::string(level)) << line << " " << status;
    EXPECT_EQ(port.lock_line(), line);
    auto expected = support::golden("inpout_calls.txt");
    expected.push_back("Inp32 53265 " + std::to_string(status));
    EXPECT_EQ(received(), expected) << line;
  }
  EXPECT_FALSE(bus::InpoutDllPort(bus::default_inpout_library(), 0xD010).lock_line());
}

TEST(InpoutDllPort, ALibraryThatCannotServeFailsTheFirstWriteWithItsNameAndTheWayOut) {
  // The library, the lock line's pin or 0 for none, its name and what failed, the system's
  // reason, the way out.
  const std::tuple<const char*, int, const char*, const char*> rows[] = {
      {"missing_inpout.dll", 0, "Cannot load the port library missing_inpout.dll: ",
       ". Put missing_inpout.dll beside saa1057-panel.exe, or try --simulate."},
      {"inpout_without_out32.dll", 0, "The port library inpout_without_out32.dll offers no Out32: ",
       ". Install the real inpout_without_out32.dll, or try --simulate."},
      {"inpout_without_inp32.dll", 10,
       "The port library inpout_without_inp32.dll offers no Inp32 to read the lock line, pin 10 "
       "(nAck): ",
       ". Install the real inpout_without_inp32.dll or leave out --lock, or try --simulate."},
      // Without a lock line, Inp32 is not needed.
      {"inpout_without_inp32.dll", 0, "no failure", ""},
  };
  for (const auto& [library, lock_pin, failure, way_out] : rows) {
    bus::InpoutDllPort port{library, support::kStandardData,
                            lock_pin ? bus::status_pin(lock_pin) : std::nullopt};
    const auto message = support::failure_of([&port] { support::send_short_word(port); });
    EXPECT_TRUE(message.starts_with(failure) && message.ends_with(way_out)) << message;
  }
}

}  // namespace

#include "bus_windows/inpout_dll_port.hpp"

#include <gtest/gtest.h>
#include <windows.h>

#include "support/golden.hpp"
#include "support/wire.hpp"

namespace {

// What the stand-in library has received since it was loaded, read through its own export.
std::vector<std::string> received() {
  const auto log = reinterpret_cast<const char* (*)()>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("inpoutx64.dll"), "StandInReceived")));
  auto lines = support::split(log(), "\n");
  lines.pop_back();  // after the last line break
  return lines;
}

TEST(InpoutDllPort, EveryWriteReachesOut32InOrderAtThePortsBase) {
  bus::InpoutDllPort port{bus::default_inpout_library(), 0xD010};
  support::send_short_word(port);
  support::expect_golden(received(), "inpout_calls.txt");
}

TEST(InpoutDllPort, ALibraryThatCannotServeFailsTheFirstWriteWithItsNameAndTheWayOut) {
  // The library's name and what failed, the system's reason, the way out.
  const std::tuple<const char*, const char*, const char*> rows[] = {
      {"missing_inpout.dll", "Cannot load the port library missing_inpout.dll: ",
       ". Put missing_inpout.dll beside saa1057-panel.exe, or try --simulate."},
      {"inpout_without_out32.dll", "The port library inpout_without_out32.dll offers no Out32: ",
       ". Install the real inpout_without_out32.dll, or try --simulate."},
  };
  for (const auto& [library, failure, way_out] : rows) {
    bus::InpoutDllPort port{library, support::kStandardData};
    const auto message = support::failure_of([&port] { support::send_short_word(port); });
    EXPECT_TRUE(message.starts_with(failure) && message.ends_with(way_out)) << message;
  }
}

}  // namespace

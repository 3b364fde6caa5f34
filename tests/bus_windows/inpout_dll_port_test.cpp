#include "bus/inpout_dll_port.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include "../form/fake_controls.hpp"
#include "bus/recording_port.hpp"
#include "common/fatal_error.hpp"
#include "support/counting_spin.hpp"

namespace {

using ::testing::HasSubstr;

struct StandInWrite {
  short port;
  short value;
};

// What the stand-in library received, read through its own exports.
std::vector<bus::PortWrite> received() {
  HMODULE library = GetModuleHandleA("inpoutx64.dll");
  if (!library) return {};
  const auto count = reinterpret_cast<int (*)()>(
      reinterpret_cast<void*>(GetProcAddress(library, "StandInWriteCount")));
  const auto writes = reinterpret_cast<const StandInWrite* (*)()>(
      reinterpret_cast<void*>(GetProcAddress(library, "StandInWrites")));
  std::vector<bus::PortWrite> result;
  for (int i = 0; i < count(); ++i) {
    result.push_back({static_cast<std::uint16_t>(writes()[i].port),
                      static_cast<std::uint8_t>(writes()[i].value)});
  }
  return result;
}

void forget() {
  if (HMODULE library = GetModuleHandleA("inpoutx64.dll")) {
    reinterpret_cast<void (*)()>(
        reinterpret_cast<void*>(GetProcAddress(library, "StandInForget")))();
  }
}

// Runs start-up on `port` and returns the message it fails with, if any.
std::string start_up(bus::Port& port) {
  bus::Inpout library{port};
  fake::Controls controls;
  form::Form1 form{controls, library, support::counting_spin};
  controls.attach(form);
  try {
    form.raise(form::Event::Form_Load);
  } catch (const common::FatalError& error) {
    return error.what();
  }
  return "";
}

TEST(InpoutDllPort, StartUpReachesTheLibraryInOrderAndComplete) {
  bus::RecordingPort recorder;
  ASSERT_EQ(start_up(recorder), "");

  forget();
  bus::InpoutDllPort port{bus::default_inpout_library(), 0x378};
  ASSERT_EQ(start_up(port), "");
  EXPECT_EQ(received(), recorder.writes());
  EXPECT_EQ(received().size(), 57u);
}

TEST(InpoutDllPort, AnotherBaseGetsTheSameRegisters) {
  forget();
  bus::InpoutDllPort port{bus::default_inpout_library(), 0xD010};
  bus::Inpout library{port};
  library.Out32(888, 136);
  library.Out32(890, 1);
  EXPECT_EQ(received(), (std::vector<bus::PortWrite>{{0xD010, 136}, {0xD012, 1}}));
  EXPECT_EQ(port.name(), "0xd010 (inpoutx64.dll)");
}

TEST(InpoutDllPort, AMissingLibraryEndsStartUpWithItsNameAndTheWayOut) {
  bus::InpoutDllPort port{"missing_inpout.dll", 0x378};
  const auto message = start_up(port);
  EXPECT_THAT(message, HasSubstr("Cannot load the port library missing_inpout.dll: "));
  EXPECT_THAT(message, HasSubstr("try --simulate"));
}

TEST(InpoutDllPort, ALibraryWithoutOut32EndsStartUp) {
  bus::InpoutDllPort port{"inpout_without_out32.dll", 0x378};
  const auto message = start_up(port);
  EXPECT_THAT(message, HasSubstr("The port library inpout_without_out32.dll offers no Out32"));
  EXPECT_THAT(message, HasSubstr("try --simulate"));
}

}  // namespace

// Where the panel looks for the DLLs it loads at run time: the port-I/O library and FTDI's D2XX
// driver. This program's folder holds neither, the Wine prefix's system folder neither; the
// stand-ins are planted elsewhere, one place at a time.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <functional>

#include "bus_windows/d2xx_adapter.hpp"
#include "bus_windows/inpout_dll_port.hpp"
#include "support/golden.hpp"
#include "support/wire.hpp"

namespace {

const std::filesystem::path kStandInFolder = std::filesystem::path(STAND_IN_FTD2XX).parent_path();

std::string open_failure() {
  return support::failure_of([] { bus::D2xxAdapter{}.open({}, 0x07); });
}

std::string write_failure() {
  bus::InpoutDllPort port{bus::default_inpout_library(), support::kStandardData};
  return support::failure_of([&port] { support::send_short_word(port); });
}

std::filesystem::path program_folder() {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, path, sizeof path);
  return std::filesystem::path(path).parent_path();
}

// Sets the environment variable `name` to `value` for as long as it lives.
class Variable {
 public:
  Variable(const char* name, const std::string& value) : name_(name) {
    char old[32768] = "";
    had_ = GetEnvironmentVariableA(name, old, sizeof old) != 0;
    old_ = old;
    SetEnvironmentVariableA(name, value.c_str());
  }
  ~Variable() { SetEnvironmentVariableA(name_, had_ ? old_.c_str() : nullptr); }

 private:
  const char* name_;
  bool had_;
  std::string old_;
};

// A library, the failure of its first use, and how that failure begins and ends when the
// library is not found.
struct Library {
  std::string name;
  std::function<std::string()> first_use;
  std::string not_found;
  std::string way_out;
};

TEST(DllLoading, AStandInIsLoadedFromBesideTheProgramButNeverFromTheWorkingFolderOrThePath) {
  const Library libraries[] = {
      {"ftd2xx.dll", open_failure, "Cannot load ftd2xx.dll, FTDI's D2XX driver: ",
       ". Install the driver from FTDI's driver download page or Windows Update (which installs "
       "it when the adapter is plugged in), or put ftd2xx.dll beside saa1057-panel.exe, or try "
       "--simulate."},
      {"inpoutx64.dll", write_failure, "Cannot load the port library inpoutx64.dll: ",
       ". Put inpoutx64.dll beside saa1057-panel.exe, or try --simulate."},
  };
  // Where the stand-in goes, and whether the panel may load it there.
  const std::tuple<std::string, std::function<void(const Library&)>, bool> places[] = {
      {"in the working folder",
       [](const Library&) { SetCurrentDirectoryA(kStandInFolder.string().c_str()); }, false},
      {"in a folder on the PATH",
       [](const Library&) { SetEnvironmentVariableA("PATH", kStandInFolder.string().c_str()); },
       false},
      {"beside the program",
       [](const Library& library) {
         std::filesystem::copy_file(kStandInFolder / library.name, program_folder() / library.name);
       },
       true},
  };
  for (const auto& library : libraries) {
    for (const auto& [place, plant, loaded] : places) {
      char working[MAX_PATH] = "";
      GetCurrentDirectoryA(sizeof working, working);
      const Variable path{"PATH", ""};
      plant(library);
      // The stand-in is there: Windows' plain search finds it.
      const HMODULE found = LoadLibraryA(library.name.c_str());
      EXPECT_NE(found, nullptr) << library.name << " " << place;
      if (found) FreeLibrary(found);
      const auto failure = library.first_use();
      if (loaded) {
        EXPECT_EQ(failure, "no failure") << library.name << " " << place;
      } else {
        EXPECT_TRUE(failure.starts_with(library.not_found) && failure.ends_with(library.way_out))
            << library.name << " " << place << ": " << failure;
      }
      SetCurrentDirectoryA(working);
      std::filesystem::remove(program_folder() / library.name);
    }
  }
}

TEST(DllLoading, ADriverBesideTheProgramThatLacksACallIsNamedWithTheWayOut) {
  const auto beside = program_folder() / "ftd2xx.dll";
  std::filesystem::copy_file(STAND_IN_FTD2XX_WITHOUT_DIVISOR, beside,
                             std::filesystem::copy_options::overwrite_existing);
  const auto message = open_failure();
  std::filesystem::remove(beside);
  EXPECT_TRUE(message.starts_with("FTDI's D2XX driver ") &&
              message.find("ftd2xx.dll offers no FT_SetDivisor: ") != std::string::npos &&
              message.ends_with(". Install the current driver from FTDI's driver download page "
                                "or Windows Update, and remove any older ftd2xx.dll beside "
                                "saa1057-panel.exe, or try --simulate."))
      << message;
}

}  // namespace

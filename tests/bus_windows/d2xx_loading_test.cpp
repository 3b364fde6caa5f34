// Where the panel looks for FTDI's D2XX driver. This program's folder holds no ftd2xx.dll, the
// Wine prefix's system folder none either; the stand-in is planted elsewhere, one place at a
// time.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <functional>

#include "bus_windows/d2xx_adapter.hpp"
#include "support/golden.hpp"

namespace {

const std::filesystem::path kStandIn = STAND_IN_FTD2XX;

std::string open_failure() {
  return support::failure_of([] { bus::D2xxAdapter{}.open({}, 0x07); });
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

TEST(D2xxLoading, AStandInInTheWorkingFolderOrOnThePathIsNeverLoaded) {
  const std::string folder = kStandIn.parent_path().string();
  const std::vector<std::pair<std::string, std::function<void()>>> places{
      {"the working folder", [&] { SetCurrentDirectoryA(folder.c_str()); }},
      {"a folder on the PATH", [&] { SetEnvironmentVariableA("PATH", folder.c_str()); }},
  };
  for (const auto& [place, plant] : places) {
    char working[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof working, working);
    const Variable path{"PATH", ""};
    plant();
    const auto message = open_failure();
    EXPECT_TRUE(message.starts_with("Cannot load ftd2xx.dll, FTDI's D2XX driver: ") &&
                message.ends_with(
                    ". Install the driver from FTDI's driver download page or Windows Update "
                    "(which installs it when the adapter is plugged in), or put ftd2xx.dll beside "
                    "saa1057-panel.exe, or try --simulate."))
        << place << ": " << message;
    // The stand-in is there: Windows' plain search finds it.
    const HMODULE found = LoadLibraryA("ftd2xx.dll");
    EXPECT_NE(found, nullptr) << place;
    if (found) FreeLibrary(found);
    SetCurrentDirectoryA(working);
  }
}

TEST(D2xxLoading, ADriverBesideTheProgramThatLacksACallIsNamedWithTheWayOut) {
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

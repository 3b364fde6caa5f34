#include "d2xx_library.hpp"

#include <array>
#include <string_view>

#include "common/failure_message.hpp"
#include "common/program_name.hpp"
#include "dll_search.hpp"
#include "last_error.hpp"

namespace bus::d2xx {

namespace {

// FT_STATUS in the header's order.
constexpr std::array<std::string_view, 20> kStatusWords{
    "FT_OK",
    "FT_INVALID_HANDLE",
    "FT_DEVICE_NOT_FOUND",
    "FT_DEVICE_NOT_OPENED",
    "FT_IO_ERROR",
    "FT_INSUFFICIENT_RESOURCES",
    "FT_INVALID_PARAMETER",
    "FT_INVALID_BAUD_RATE",
    "FT_DEVICE_NOT_OPENED_FOR_ERASE",
    "FT_DEVICE_NOT_OPENED_FOR_WRITE",
    "FT_FAILED_TO_WRITE_DEVICE",
    "FT_EEPROM_READ_FAILED",
    "FT_EEPROM_WRITE_FAILED",
    "FT_EEPROM_ERASE_FAILED",
    "FT_EEPROM_NOT_PRESENT",
    "FT_EEPROM_NOT_PROGRAMMED",
    "FT_INVALID_ARGS",
    "FT_NOT_SUPPORTED",
    "FT_OTHER_ERROR",
    "FT_DEVICE_LIST_NOT_READY",
};

constexpr const char* kLibrary = "ftd2xx.dll";
constexpr const char* kWhere = "FTDI's driver download page or Windows Update";

std::string module_path(HMODULE module) {
  char path[MAX_PATH] = "";
  const DWORD length = GetModuleFileNameA(module, path, sizeof path);
  return std::string(path, length);
}

}  // namespace

std::string status_word(Status status) {
  if (status < kStatusWords.size()) return std::string(kStatusWords[status]);
  return "D2XX status " + std::to_string(status);
}

Library::Library() : module_(load_from_program_or_system_folder(kLibrary), FreeLibrary) {
  if (!module_) {
    throw common::failure(
        std::string("Cannot load ") + kLibrary + ", FTDI's D2XX driver", last_error_text(),
        common::or_try_simulate(std::string("Install the driver from ") + kWhere +
                                " (which installs it when the adapter is plugged in), or put " +
                                kLibrary + " beside " + std::string(common::kProgramName) +
                                ".exe"));
  }
  find("FT_CreateDeviceInfoList", CreateDeviceInfoList);
  find("FT_GetDeviceInfoDetail", GetDeviceInfoDetail);
  find("FT_OpenEx", OpenEx);
  find("FT_SetBitMode", SetBitMode);
  find("FT_SetTimeouts", SetTimeouts);
  find("FT_Purge", Purge);
  find("FT_Read", Read);
  find("FT_SetDivisor", SetDivisor);
  find("FT_Write", Write);
  find("FT_Close", Close);
}

template <typename Function>
void Library::find(const char* name, Function& function) {
  function =
      reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module_.get(), name)));
  if (function) return;
  throw common::failure(
      "FTDI's D2XX driver " + module_path(module_.get()) + " offers no " + name, last_error_text(),
      common::or_try_simulate(std::string("Install the current driver from ") + kWhere +
                              ", and remove any older " + kLibrary + " beside " +
                              std::string(common::kProgramName) + ".exe"));
}

}  // namespace bus::d2xx

// Stands in for FTDI's D2XX driver, ftd2xx.dll: the adapters it lists, and every call that
// changes one or reads its pins, a line each, appended to the file STAND_IN_FTD2XX_LOG names:
//   open location 0x21 | bit mode 0x01 mask 0x07 | divisor 200 | write 00 04 05 | read pins |
//   close
// FT_GetBitMode answers the pins STAND_IN_FTD2XX_PINS gives ("0x08"), else 0x00. With
// STAND_IN_FTD2XX_MODEL set, FT_Write's samples drive the simulated chip (sim/) on the panel's
// default pins instead, and FT_GetBitMode answers its test pin on the default lock pin, D3, the
// other pins as last written: a sweep under Wine finds the model's lock range.
// STAND_IN_FTD2XX_DEVICES lists the adapters, ';' between them, each "TYPE|SERIAL|LOCATION|
// DESCRIPTION" (TYPE as D2XX numbers it: 5 an FT232R, 6 an FT2232H) or "held" (open in another
// program), or "none"; without it, one FT232R, A50285BI. STAND_IN_FTD2XX_FAIL="CALL STATUS
// CALLS" makes CALL (FT_OpenEx...) return STATUS after CALLS successful calls of it; FT_Write
// with status 0 then writes nothing. STAND_IN_FTD2XX_CLOSE_MS makes FT_Close take that long,
// before its line, as a real adapter's release takes USB round trips.
// The C++ runtime is linked in, so that the library needs none beside it.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bus_ftdi/ftdi_pins.hpp"
#include "stand_in_chip.hpp"

namespace {

constexpr ULONG kOk = 0;
constexpr ULONG kInvalidHandle = 1;
constexpr ULONG kDeviceNotFound = 2;
constexpr ULONG kInvalidParameter = 6;
constexpr DWORD kOpenByLocation = 4;
constexpr DWORD kFlagOpened = 1;

struct Device {
  bool held;
  DWORD type;
  DWORD location;
  char serial[16];
  char description[64];
};

Device devices[8];
DWORD device_count = 0;
int opened_handle = 0;  // its address is the handle of the one open device
bool is_open = false;

void note(const char* line) {
  char path[MAX_PATH];
  if (GetEnvironmentVariableA("STAND_IN_FTD2XX_LOG", path, sizeof path) == 0) return;
  if (std::FILE* file = std::fopen(path, "ab")) {
    std::fprintf(file, "%s\n", line);
    std::fclose(file);
  }
}

// "TYPE|SERIAL|LOCATION|DESCRIPTION" or "held".
void add_device(char* text) {
  if (device_count == sizeof devices / sizeof devices[0]) return;
  Device& device = devices[device_count++];
  std::memset(&device, 0, sizeof device);
  if (std::strcmp(text, "held") == 0) {
    device.held = true;
    return;
  }
  char* fields[4] = {text, nullptr, nullptr, nullptr};
  for (int i = 1; i < 4; ++i) {
    char* bar = fields[i - 1] ? std::strchr(fields[i - 1], '|') : nullptr;
    if (bar) *bar = '\0';
    fields[i] = bar ? bar + 1 : nullptr;
  }
  device.type = static_cast<DWORD>(std::strtoul(fields[0], nullptr, 0));
  std::snprintf(device.serial, sizeof device.serial, "%s", fields[1] ? fields[1] : "");
  device.location = fields[2] ? static_cast<DWORD>(std::strtoul(fields[2], nullptr, 0)) : 0;
  std::snprintf(device.description, sizeof device.description, "%s", fields[3] ? fields[3] : "");
}

void list_devices() {
  char list[1024];
  const DWORD length = GetEnvironmentVariableA("STAND_IN_FTD2XX_DEVICES", list, sizeof list);
  if (length == 0 || length >= sizeof list) {
    std::strcpy(list, "5|A50285BI|0x21|FT232R USB UART");
  }
  device_count = 0;
  if (std::strcmp(list, "none") == 0) return;
  for (char* entry = list; entry;) {
    char* next = std::strchr(entry, ';');
    if (next) *next++ = '\0';
    add_device(entry);
    entry = next;
  }
}

// What STAND_IN_FTD2XX_FAIL makes `call` return this time, or -1 for the call to go on.
long injected(const char* call) {
  static long calls[8];
  static const char* const names[8] = {
      "FT_CreateDeviceInfoList", "FT_OpenEx", "FT_SetBitMode",
      "FT_SetDivisor",           "FT_Write",  "FT_Close",
      "FT_GetBitMode",
  };
  char failure[128];
  if (GetEnvironmentVariableA("STAND_IN_FTD2XX_FAIL", failure, sizeof failure) == 0) return -1;
  char name[64] = "";
  long status = 0;
  long after = 0;
  if (std::sscanf(failure, "%63s %ld %ld", name, &status, &after) < 2) return -1;
  if (std::strcmp(name, call) != 0) return -1;
  for (int i = 0; names[i]; ++i) {
    if (std::strcmp(names[i], call) == 0 && calls[i]++ >= after) return status;
  }
  return -1;
}

bool valid(PVOID handle) { return is_open && handle == &opened_handle; }

bool modelled() { return GetEnvironmentVariableA("STAND_IN_FTD2XX_MODEL", nullptr, 0) != 0; }

UCHAR last_sample = 0;

void drive_chip(const UCHAR* samples, DWORD count) {
  const auto bits = bus::FtdiPins{}.bits;
  const auto high = [](UCHAR sample, int bit) { return (sample >> bit & 1) != 0; };
  for (DWORD i = 0; i < count; ++i) {
    last_sample = samples[i];
    stand_in::chip().drive(
        {high(samples[i], bits[0]), high(samples[i], bits[1]), high(samples[i], bits[2])});
  }
}

UCHAR modelled_pins() {
  const auto lock = static_cast<UCHAR>(1u << *bus::ftdi_pin_bit(bus::kDefaultFtdiLockPin));
  const bool level = stand_in::chip().lock_level();
  return static_cast<UCHAR>(level ? last_sample | lock : last_sample & ~lock);
}

}  // namespace

extern "C" {

ULONG WINAPI FT_CreateDeviceInfoList(LPDWORD count) {
  list_devices();
  *count = device_count;
  const long status = injected("FT_CreateDeviceInfoList");
  return status >= 0 ? static_cast<ULONG>(status) : kOk;
}

ULONG WINAPI FT_GetDeviceInfoDetail(DWORD index, LPDWORD flags, LPDWORD type, LPDWORD id,
                                    LPDWORD location, LPVOID serial, LPVOID description,
                                    PVOID* handle) {
  if (index >= device_count) return kDeviceNotFound;
  const Device& device = devices[index];
  // Of a device open in another program, D2XX tells only that it is open.
  *flags = device.held ? kFlagOpened : 0;
  *type = device.held ? 3 : device.type;
  *id = device.held ? 0 : 0x04036001;
  *location = device.location;
  std::strcpy(static_cast<char*>(serial), device.serial);
  std::strcpy(static_cast<char*>(description), device.description);
  *handle = nullptr;
  return kOk;
}

ULONG WINAPI FT_OpenEx(PVOID argument, DWORD how, PVOID* handle) {
  const DWORD location = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(argument));
  char line[64];
  std::snprintf(line, sizeof line, "open location 0x%lx", location);
  note(line);
  if (how != kOpenByLocation) return kInvalidParameter;
  const long status = injected("FT_OpenEx");
  if (status >= 0) return static_cast<ULONG>(status);
  for (DWORD i = 0; i < device_count; ++i) {
    if (!devices[i].held && devices[i].location == location) {
      is_open = true;
      *handle = &opened_handle;
      return kOk;
    }
  }
  return kDeviceNotFound;
}

ULONG WINAPI FT_SetBitMode(PVOID handle, UCHAR mask, UCHAR mode) {
  char line[64];
  std::snprintf(line, sizeof line, "bit mode 0x%02x mask 0x%02x", mode, mask);
  note(line);
  if (!valid(handle)) return kInvalidHandle;
  const long status = injected("FT_SetBitMode");
  return status >= 0 ? static_cast<ULONG>(status) : kOk;
}

ULONG WINAPI FT_GetBitMode(PVOID handle, PUCHAR pins) {
  note("read pins");
  if (!valid(handle)) return kInvalidHandle;
  const long status = injected("FT_GetBitMode");
  if (status >= 0) return static_cast<ULONG>(status);
  if (modelled()) {
    *pins = modelled_pins();
    return kOk;
  }
  char levels[16];
  const bool given = GetEnvironmentVariableA("STAND_IN_FTD2XX_PINS", levels, sizeof levels) != 0;
  *pins = given ? static_cast<UCHAR>(std::strtoul(levels, nullptr, 0)) : 0;
  return kOk;
}

ULONG WINAPI FT_SetDivisor(PVOID handle, USHORT divisor) {
  char line[64];
  std::snprintf(line, sizeof line, "divisor %u", divisor);
  note(line);
  if (!valid(handle)) return kInvalidHandle;
  const long status = injected("FT_SetDivisor");
  return status >= 0 ? static_cast<ULONG>(status) : kOk;
}

ULONG WINAPI FT_Write(PVOID handle, LPVOID samples, DWORD count, LPDWORD written) {
  static char line[8 + 3 * 65536];
  int length = std::snprintf(line, sizeof line, "write");
  const auto* bytes = static_cast<const unsigned char*>(samples);
  for (DWORD i = 0; i < count && length < static_cast<int>(sizeof line) - 4; ++i) {
    length += std::snprintf(line + length, sizeof line - static_cast<unsigned>(length), " %02x",
                            bytes[i]);
  }
  note(line);
  *written = 0;
  if (!valid(handle)) return kInvalidHandle;
  const long status = injected("FT_Write");
  if (status >= 0) return static_cast<ULONG>(status);
  *written = count;
  if (modelled()) drive_chip(bytes, count);
  return kOk;
}

ULONG WINAPI FT_Close(PVOID handle) {
  char close_ms[16];
  if (GetEnvironmentVariableA("STAND_IN_FTD2XX_CLOSE_MS", close_ms, sizeof close_ms) != 0) {
    Sleep(static_cast<DWORD>(std::strtoul(close_ms, nullptr, 10)));
  }
  note("close");
  if (!valid(handle)) return kInvalidHandle;
  is_open = false;
  const long status = injected("FT_Close");
  return status >= 0 ? static_cast<ULONG>(status) : kOk;
}
}

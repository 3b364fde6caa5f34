// Stands in for FTDI's D2XX driver, ftd2xx.dll: the adapters it lists, and every call that
// changes one or reads its pins, a line each, appended to the file STAND_IN_FTD2XX_LOG names:
//   open location 0x21 | bit mode 0x01 mask 0x07 | divisor 200 | write 00 04 05 | purge 0x1 |
//   read 124 | close
// In synchronous bit-bang mode (0x04) each sample FT_Write clocks out reads the pins back for
// FT_Read: STAND_IN_FTD2XX_PINS ("0x08"), else 0x00. With STAND_IN_FTD2XX_MODEL set, FT_Write's
// samples drive the simulated chip (sim/) on the panel's default pins instead, and read back its
// test pin on the default lock pin, D3, the other pins as written, each at its sample's time on
// the sample clock: the in-lock output pulses, and a sweep under Wine finds the model's range.
// STAND_IN_FTD2XX_DEVICES lists the adapters, ';' between them, each "TYPE|SERIAL|LOCATION|
// DESCRIPTION" (TYPE as D2XX numbers it: 5 an FT232R, 6 an FT2232H) or "held" (open in another
// program), or "none"; without it, one FT232R, A50285BI. STAND_IN_FTD2XX_FAIL="CALL STATUS
// CALLS" makes CALL (FT_OpenEx...) return STATUS after CALLS successful calls of it; FT_Write
// and FT_Read with status 0 then move nothing. STAND_IN_FTD2XX_CLOSE_MS makes FT_Close take that
// long, before its line, as a real adapter's release takes USB round trips.
// The C++ runtime is linked in, so that the library needs none beside it.
#include <windows.h>

#include <chrono>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <string>

#include "bus_ftdi/bit_bang_samples.hpp"
#include "bus_ftdi/ftdi_pins.hpp"
#include "sim/simulated_synthesizer.hpp"

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
void add_device(const char* text) {
  if (device_count == sizeof devices / sizeof devices[0]) return;
  Device& device = devices[device_count++];
  device = {std::strcmp(text, "held") == 0, 0, 0, "", ""};
  std::sscanf(text, "%lu|%15[^|]|%lx|%63[^;]", &device.type, device.serial, &device.location,
              device.description);
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
  static std::map<std::string, long> calls;
  char failure[128];
  if (GetEnvironmentVariableA("STAND_IN_FTD2XX_FAIL", failure, sizeof failure) == 0) return -1;
  char name[64] = "";
  long status = 0;
  long after = 0;
  if (std::sscanf(failure, "%63s %ld %ld", name, &status, &after) < 2) return -1;
  return std::strcmp(name, call) == 0 && calls[call]++ >= after ? status : -1;
}

bool valid(PVOID handle) { return is_open && handle == &opened_handle; }

// Notes the line `format` makes; then what `call` returns at once: FT_INVALID_HANDLE for a
// handle not open, a status STAND_IN_FTD2XX_FAIL gives, or -1 for the call to go on.
long refusal(const char* call, PVOID handle, const char* format, ...) {
  static char line[8 + 3 * 65536];  // a write's samples, each " %02x"
  std::va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(line, sizeof line, format, arguments);
  va_end(arguments);
  note(line);
  if (!valid(handle)) return kInvalidHandle;
  return injected(call);
}

bool modelled() { return GetEnvironmentVariableA("STAND_IN_FTD2XX_MODEL", nullptr, 0) != 0; }

// The chip on the other side of the pins, timed on the machine's clock as the program's reads.
sim::SimulatedSynthesizer& chip() {
  static sim::SimulatedSynthesizer chip{true};
  return chip;
}

bool synchronous = false;
USHORT divisor = 0;
std::deque<UCHAR> read_back;  // the pins as each sample clocked out in synchronous mode read

// The pins as they read at sample `index` of a write: the sample, the test pin on D3.
UCHAR modelled_pins(UCHAR sample, DWORD index) {
  const auto lock = static_cast<UCHAR>(1u << *bus::ftdi_pin_bit(bus::kDefaultFtdiLockPin));
  const std::chrono::nanoseconds ahead{static_cast<std::int64_t>(index) * divisor * 1'000'000'000 /
                                       bus::kBitBangClockHz};
  return static_cast<UCHAR>(chip().lock_level_in(ahead) ? sample | lock : sample & ~lock);
}

void clock_out(const UCHAR* samples, DWORD count) {
  const auto bits = bus::FtdiPins{}.bits;
  const auto high = [](UCHAR sample, int bit) { return (sample >> bit & 1) != 0; };
  char pins[16];
  const bool given = GetEnvironmentVariableA("STAND_IN_FTD2XX_PINS", pins, sizeof pins) != 0;
  for (DWORD i = 0; i < count; ++i) {
    if (modelled()) {
      chip().drive(
          {high(samples[i], bits[0]), high(samples[i], bits[1]), high(samples[i], bits[2])});
    }
    if (!synchronous) continue;
    read_back.push_back(modelled() ? modelled_pins(samples[i], i)
                        : given    ? static_cast<UCHAR>(std::strtoul(pins, nullptr, 0))
                                   : 0);
  }
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
  if (const long status =
          refusal("FT_SetBitMode", handle, "bit mode 0x%02x mask 0x%02x", mode, mask);
      status >= 0) {
    return static_cast<ULONG>(status);
  }
  synchronous = mode == 0x04;
  return kOk;
}

ULONG WINAPI FT_SetDivisor(PVOID handle, USHORT divisor_given) {
  if (const long status = refusal("FT_SetDivisor", handle, "divisor %u", divisor_given);
      status >= 0) {
    return static_cast<ULONG>(status);
  }
  divisor = divisor_given;
  return kOk;
}

ULONG WINAPI FT_SetTimeouts(PVOID handle, ULONG, ULONG) {
  return valid(handle) ? kOk : kInvalidHandle;
}

ULONG WINAPI FT_Purge(PVOID handle, ULONG mask) {
  if (const long status = refusal("FT_Purge", handle, "purge 0x%lx", mask); status >= 0) {
    return static_cast<ULONG>(status);
  }
  if (mask & 1) read_back.clear();
  return kOk;
}

ULONG WINAPI FT_Read(PVOID handle, LPVOID buffer, DWORD count, LPDWORD read) {
  *read = 0;
  if (const long status = refusal("FT_Read", handle, "read %lu", count); status >= 0) {
    return static_cast<ULONG>(status);
  }
  auto* bytes = static_cast<UCHAR*>(buffer);
  for (; *read < count && !read_back.empty(); ++*read) {
    bytes[*read] = read_back.front();
    read_back.pop_front();
  }
  return kOk;
}

ULONG WINAPI FT_Write(PVOID handle, LPVOID samples, DWORD count, LPDWORD written) {
  std::string line = "write";
  const auto* bytes = static_cast<const UCHAR*>(samples);
  for (DWORD i = 0; i < count; ++i) {
    char sample[4];
    std::snprintf(sample, sizeof sample, " %02x", bytes[i]);
    line += sample;
  }
  *written = 0;
  if (const long status = refusal("FT_Write", handle, "%s", line.c_str()); status >= 0) {
    return static_cast<ULONG>(status);
  }
  *written = count;
  clock_out(bytes, count);
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

// Stands in for FTDI's D2XX driver, ftd2xx.dll: it lists the adapters a test gives it, notes
// every call that changes one or reads its pins, a line each, in the file STAND_IN_FTD2XX_LOG
// names ("open location 0x21", "bit mode 0x01 mask 0x07", "divisor 200", "write 00 04 05",
// "purge 0x1", "read 124", "close"), and answers FT_OK unless told otherwise:
// STAND_IN_FTD2XX_FAIL="CALL STATUS CALLS" makes CALL (FT_OpenEx...) return STATUS after CALLS
// successful calls of it; FT_Write and FT_Read with status 0 then move nothing.
// STAND_IN_FTD2XX_DEVICES lists the adapters, ';' between them, each "TYPE|SERIAL|LOCATION|
// DESCRIPTION" (TYPE as D2XX numbers it: 5 an FT232R, 6 an FT2232H) or "held" (open in another
// program), or "none"; without it, one FT232R, A50285BI. STAND_IN_FTD2XX_CLOSE_MS makes
// FT_Close take that long, before its line, as a real adapter's release takes USB round trips.
// In synchronous bit-bang mode (0x04) each sample FT_Write clocks out reads the pins back for
// FT_Read: STAND_IN_FTD2XX_PINS ("0x08"), else 0x00. With STAND_IN_FTD2XX_MODEL set, FT_Write's
// samples drive the simulated chip (sim/) on the panel's default pins instead, and read back its
// test pin on the default lock pin, D3, the other pins as written, each at its sample's time on
// the sample clock: the in-lock output pulses, and a sweep under Wine finds the model's range.
// FT_Read then returns them once the last has been taken, as the adapter sends nothing sooner.
// The C++ runtime is linked in, so that the library needs none beside it.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <map>
#include <sstream>
#include <vector>

#include "sim/simulated_synthesizer.hpp"
#include "stand_in.hpp"

namespace {

enum : ULONG { kOk, kInvalidHandle, kDeviceNotFound, kInvalidParameter = 6 };  // FT_STATUS
// The adapters without STAND_IN_FTD2XX_DEVICES.
constexpr const char* kOneFt232r = "5|A50285BI|0x21|FT232R USB UART";

std::vector<std::string> devices;  // as STAND_IN_FTD2XX_DEVICES gives them
int the_handle = 0;                // its address is the handle of the open channel
bool synchronous = false;
USHORT divisor = 0;
std::deque<UCHAR> read_back;  // the pins as each sample clocked out in synchronous mode read
std::chrono::steady_clock::time_point read_back_taken;  // the model's: when its last was taken

// What STAND_IN_FTD2XX_FAIL makes `call` return this time, or -1 for the call to go on.
long injected(const std::string& call) {
  static std::map<std::string, long> calls;
  std::istringstream failure(stand_in::setting("FTD2XX_FAIL"));
  std::string name;
  long status = -1, after = 0;
  failure >> name >> status >> after;
  return name == call && calls[call]++ >= after ? status : -1;
}

// Notes `line`, then answers `call` on `handle`: FT_INVALID_HANDLE for another than the open
// channel's, a status STAND_IN_FTD2XX_FAIL gives, else FT_OK once `done` has done the call.
ULONG answer(
    const std::string& call, PVOID handle, const std::string& line,
    const std::function<void()>& done = [] {}) {
  stand_in::note("FTD2XX_LOG", line);
  if (handle != &the_handle) return kInvalidHandle;
  if (const long status = injected(call); status >= 0) return static_cast<ULONG>(status);
  done();
  return kOk;
}

std::string hex(unsigned long value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*lx", digits, value);
  return text;
}

// The chip on the other side of the pins, timed on the machine's clock as the program's reads.
sim::SimulatedSynthesizer& chip() {
  static sim::SimulatedSynthesizer chip{true};
  return chip;
}

// The adapter as FTDI documents it, written here rather than taken from the program: in bit-bang
// mode a sample every divisor ticks of 48 MHz (16 times the 3 MHz baud clock); the panel's
// default pins D0, D1, D2 (clock, data, enable) and D3 (CTS), the lock line, are bits 0 to 3.
constexpr std::int64_t kSampleClockHz = 48'000'000;
constexpr UCHAR kLock = 0x08;

// How far into a write sample `index` is taken.
std::chrono::nanoseconds sample_time(DWORD index) {
  return std::chrono::nanoseconds{static_cast<std::int64_t>(index) * divisor * 1'000'000'000 /
                                  kSampleClockHz};
}

}  // namespace

extern "C" {

ULONG WINAPI FT_CreateDeviceInfoList(LPDWORD count) {
  const auto list = stand_in::setting("FTD2XX_DEVICES");
  std::istringstream entries(list == "none" ? "" : list.empty() ? kOneFt232r : list);
  devices.clear();
  for (std::string entry; std::getline(entries, entry, ';');) devices.push_back(entry);
  *count = static_cast<DWORD>(devices.size());
  return static_cast<ULONG>(std::max(injected("FT_CreateDeviceInfoList"), 0L));
}

ULONG WINAPI FT_GetDeviceInfoDetail(DWORD index, LPDWORD flags, LPDWORD type, LPDWORD,
                                    LPDWORD location, LPVOID serial, LPVOID description, PVOID*) {
  if (index >= devices.size()) return kDeviceNotFound;
  // Of a device open in another program, D2XX tells only that it is open: FT_FLAGS_OPENED.
  *flags = devices[index] == "held";
  *type = *location = 0;
  *static_cast<char*>(serial) = *static_cast<char*>(description) = '\0';
  std::sscanf(devices[index].c_str(), "%lu|%15[^|]|%lx|%63[^\n]", type, static_cast<char*>(serial),
              location, static_cast<char*>(description));
  return kOk;
}

ULONG WINAPI FT_OpenEx(PVOID argument, DWORD how, PVOID* handle) {
  const auto location = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(argument));
  // Only FT_OPEN_BY_LOCATION: the one way to name a channel of a held or unnamed adapter.
  if (how != 4) return kInvalidParameter;
  return answer("FT_OpenEx", &the_handle, "open location " + hex(location, 1),
                [handle] { *handle = &the_handle; });
}

ULONG WINAPI FT_SetBitMode(PVOID handle, UCHAR mask, UCHAR mode) {
  return answer("FT_SetBitMode", handle, "bit mode " + hex(mode, 2) + " mask " + hex(mask, 2),
                [mode] { synchronous = mode == 0x04; });
}

ULONG WINAPI FT_SetDivisor(PVOID handle, USHORT given) {
  return answer("FT_SetDivisor", handle, "divisor " + std::to_string(given),
                [given] { divisor = given; });
}

ULONG WINAPI FT_SetTimeouts(PVOID handle, ULONG, ULONG) {
  return handle == &the_handle ? kOk : kInvalidHandle;
}

ULONG WINAPI FT_Purge(PVOID handle, ULONG mask) {
  return answer("FT_Purge", handle, "purge " + hex(mask, 1));
}

ULONG WINAPI FT_Read(PVOID handle, LPVOID buffer, DWORD count, LPDWORD read) {
  *read = 0;
  return answer("FT_Read", handle, "read " + std::to_string(count), [=] {
    // Spun out: a sleep's millisecond ticks would date the readings late.
    while (std::chrono::steady_clock::now() < read_back_taken) Sleep(0);
    for (; *read < count && !read_back.empty(); ++*read) {
      static_cast<UCHAR*>(buffer)[*read] = read_back.front();
      read_back.pop_front();
    }
  });
}

ULONG WINAPI FT_Write(PVOID handle, LPVOID samples, DWORD count, LPDWORD written) {
  const auto* bytes = static_cast<const UCHAR*>(samples);
  std::string line = "write";
  for (DWORD i = 0; i < count; ++i) line += " " + hex(bytes[i], 2).substr(2);
  *written = 0;
  return answer("FT_Write", handle, line, [=] {
    *written = count;
    const auto high = [](UCHAR sample, int bit) { return (sample >> bit & 1) != 0; };
    const bool model = !stand_in::setting("FTD2XX_MODEL").empty();
    const auto pins =
        static_cast<UCHAR>(std::strtoul(stand_in::setting("FTD2XX_PINS").c_str(), nullptr, 0));
    if (model) read_back_taken = std::chrono::steady_clock::now() + sample_time(count);
    for (DWORD i = 0; i < count; ++i) {
      if (model) chip().drive({high(bytes[i], 0), high(bytes[i], 1), high(bytes[i], 2)});
      if (!synchronous) continue;
      // The pins as they read at the sample's time: the sample, the test pin on D3.
      const int lock = model && chip().lock_level_in(sample_time(i)) ? kLock : 0;
      read_back.push_back(model ? static_cast<UCHAR>((bytes[i] & ~kLock) | lock) : pins);
    }
  });
}

ULONG WINAPI FT_Close(PVOID handle) {
  Sleep(std::strtoul(stand_in::setting("FTD2XX_CLOSE_MS").c_str(), nullptr, 10));
  return answer("FT_Close", handle, "close");
}
}

#pragma once

#include <windows.h>

#include <memory>
#include <string>

namespace bus::d2xx {

// The few calls of FTDI's D2XX API that the panel makes, declared from FTDI's D2XX Programmer's
// Guide: no header or library of FTDI's is needed to build the panel.
using Status = ULONG;  // FT_STATUS
using Handle = PVOID;  // FT_HANDLE
inline constexpr Status kOk = 0;
inline constexpr Status kDeviceNotOpened = 3;
inline constexpr DWORD kFlagOpened = 1;       // FT_FLAGS_OPENED
inline constexpr DWORD kOpenByLocation = 4;   // FT_OPEN_BY_LOCATION
inline constexpr UCHAR kResetMode = 0x00;     // FT_BITMODE_RESET
inline constexpr UCHAR kAsyncBitBang = 0x01;  // FT_BITMODE_ASYNC_BITBANG
inline constexpr UCHAR kSyncBitBang = 0x04;   // FT_BITMODE_SYNC_BITBANG
inline constexpr ULONG kPurgeRx = 1;          // FT_PURGE_RX
inline constexpr std::size_t kSerialSize = 16;
inline constexpr std::size_t kDescriptionSize = 64;

// The status as D2XX's header names it, "FT_DEVICE_NOT_OPENED", for messages.
std::string status_word(Status status);

// ftd2xx.dll, from the program's folder or the system folder only. Throws common::FatalError
// naming the driver when it is missing or lacks a call.
class Library {
 public:
  Library();

  Status(WINAPI* CreateDeviceInfoList)(LPDWORD count) = nullptr;
  Status(WINAPI* GetDeviceInfoDetail)(DWORD index, LPDWORD flags, LPDWORD type, LPDWORD id,
                                      LPDWORD location, LPVOID serial, LPVOID description,
                                      Handle* handle) = nullptr;
  Status(WINAPI* OpenEx)(PVOID argument, DWORD how, Handle* handle) = nullptr;
  Status(WINAPI* SetBitMode)(Handle handle, UCHAR mask, UCHAR mode) = nullptr;
  Status(WINAPI* SetTimeouts)(Handle handle, ULONG read_ms, ULONG write_ms) = nullptr;
  Status(WINAPI* Purge)(Handle handle, ULONG mask) = nullptr;
  Status(WINAPI* Read)(Handle handle, LPVOID samples, DWORD count, LPDWORD read) = nullptr;
  Status(WINAPI* SetDivisor)(Handle handle, USHORT divisor) = nullptr;
  Status(WINAPI* Write)(Handle handle, LPVOID samples, DWORD count, LPDWORD written) = nullptr;
  Status(WINAPI* Close)(Handle handle) = nullptr;

 private:
  template <typename Function>
  void find(const char* name, Function& function);

  std::unique_ptr<std::remove_pointer_t<HMODULE>, BOOL(WINAPI*)(HMODULE)> module_;
};

}  // namespace bus::d2xx

#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "bus/port.hpp"
#include "bus/wiring.hpp"

namespace bus {

// The port-I/O library's name for this build: inpoutx64.dll in 64 bits, inpout32.dll in 32.
std::string default_inpout_library();

// Reaches the parallel port through the port-I/O library's Out32, and reads a lock line's status
// pin through its Inp32. The library is loaded at the first write, from the program's folder or
// the system folder only. Writes to the standard port's registers go to the same registers of
// the port at `base_address`.
class InpoutDllPort : public Port {
 public:
  InpoutDllPort(std::string library, std::uint16_t base_address,
                std::optional<StatusPin> lock_pin = std::nullopt);
  ~InpoutDllPort() override;
  InpoutDllPort(const InpoutDllPort&) = delete;
  InpoutDllPort& operator=(const InpoutDllPort&) = delete;

  std::string name() const override;   // "0x378 (inpoutx64.dll)"
  std::string label() const override;  // "0x378"
  void bind() override;
  void write(Register target, std::uint8_t value) override;
  std::optional<std::string> lock_line() const override;
  bool lock_level() override;

 private:
  using Out32Function = void(__stdcall*)(short port, short value);
  using Inp32Function = short(__stdcall*)(short port);

  std::string library_;
  std::uint16_t base_address_;
  std::optional<StatusPin> lock_pin_;
  void* module_ = nullptr;
  Out32Function out32_ = nullptr;
  Inp32Function inp32_ = nullptr;
};

}  // namespace bus

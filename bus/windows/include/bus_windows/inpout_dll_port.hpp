#pragma once

#include <cstdint>
#include <string>

#include "bus/port.hpp"

namespace bus {

// The port-I/O library's name for this build: inpoutx64.dll in 64 bits, inpout32.dll in 32.
std::string default_inpout_library();

// Reaches the parallel port through the port-I/O library's Out32. The library is loaded at the
// first write, from the program's folder or the system folder only; its Inp32 is looked up
// beside Out32 and never called. Writes to the standard port's registers go to the same
// registers of the port at `base_address`.
class InpoutDllPort : public Port {
 public:
  InpoutDllPort(std::string library, std::uint16_t base_address);
  ~InpoutDllPort() override;
  InpoutDllPort(const InpoutDllPort&) = delete;
  InpoutDllPort& operator=(const InpoutDllPort&) = delete;

  std::string name() const override;   // "0x378 (inpoutx64.dll)"
  std::string label() const override;  // "0x378"
  void bind() override;
  void write(Register target, std::uint8_t value) override;

 private:
  using Out32Function = void(__stdcall*)(short port, short value);

  std::string library_;
  std::uint16_t base_address_;
  void* module_ = nullptr;
  Out32Function out32_ = nullptr;
};

}  // namespace bus

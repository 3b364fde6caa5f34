#include "bus_windows/inpout_dll_port.hpp"

#include <windows.h>

#include "bus/port_addresses.hpp"
#include "common/failure_message.hpp"
#include "common/program_name.hpp"
#include "dll_search.hpp"
#include "last_error.hpp"

namespace bus {

std::string default_inpout_library() {
  return sizeof(void*) == 8 ? "inpoutx64.dll" : "inpout32.dll";
}

InpoutDllPort::InpoutDllPort(std::string library, std::uint16_t base_address)
    : library_(std::move(library)), base_address_(base_address) {}

InpoutDllPort::~InpoutDllPort() {
  if (module_) FreeLibrary(static_cast<HMODULE>(module_));
}

std::string InpoutDllPort::name() const { return label() + " (" + library_ + ")"; }

std::string InpoutDllPort::label() const { return hex_address(base_address_); }

void InpoutDllPort::bind() {
  HMODULE module = load_from_program_or_system_folder(library_);
  if (!module) {
    throw common::failure("Cannot load the port library " + library_, last_error_text(),
                          common::or_try_simulate("Put " + library_ + " beside " +
                                                  std::string(common::kProgramName) + ".exe"));
  }
  const auto out32 =
      reinterpret_cast<Out32Function>(reinterpret_cast<void*>(GetProcAddress(module, "Out32")));
  if (!out32) {
    const std::string reason = last_error_text();
    FreeLibrary(module);
    throw common::failure("The port library " + library_ + " offers no Out32", reason,
                          common::or_try_simulate("Install the real " + library_));
  }
  // Part of the library's interface, though nothing here reads the port.
  [[maybe_unused]] const auto inp32 = GetProcAddress(module, "Inp32");
  module_ = module;
  out32_ = out32;
}

void InpoutDllPort::write(Register target, std::uint8_t value) {
  out32_(static_cast<short>(address_of(target, base_address_)), static_cast<short>(value));
}

}  // namespace bus

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

InpoutDllPort::InpoutDllPort(std::string library, std::uint16_t base_address,
                             std::optional<StatusPin> lock_pin)
    : library_(std::move(library)), base_address_(base_address), lock_pin_(lock_pin) {}

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
  const auto refuse = [&](const std::string& call, const std::string& way_out) {
    const std::string reason = last_error_text();
    FreeLibrary(module);
    throw common::failure("The port library " + library_ + " offers no " + call, reason,
                          common::or_try_simulate(way_out));
  };
  const auto out32 =
      reinterpret_cast<Out32Function>(reinterpret_cast<void*>(GetProcAddress(module, "Out32")));
  if (!out32) refuse("Out32", "Install the real " + library_);
  // Only a lock line needs it: a library without it still serves a port without one.
  const auto inp32 =
      reinterpret_cast<Inp32Function>(reinterpret_cast<void*>(GetProcAddress(module, "Inp32")));
  if (!inp32 && lock_pin_) {
    refuse("Inp32 to read the lock line, " + pin_name(*lock_pin_),
           "Install the real " + library_ + " or leave out --lock");
  }
  module_ = module;
  out32_ = out32;
  inp32_ = inp32;
}

void InpoutDllPort::write(Register target, std::uint8_t value) {
  out32_(static_cast<short>(address_of(target, base_address_)), static_cast<short>(value));
}

std::optional<std::string> InpoutDllPort::lock_line() const {
  return lock_line_of(lock_pin_);
}

bool InpoutDllPort::lock_level() {
  const auto status = static_cast<short>(base_address_ + kStatusRegisterOffset);
  return pin_level(*lock_pin_, static_cast<std::uint8_t>(inp32_(status)));
}

}  // namespace bus

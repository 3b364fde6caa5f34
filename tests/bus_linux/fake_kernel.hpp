#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bus/port.hpp"
#include "bus/wiring.hpp"
#include "bus_linux/raw_io_port.hpp"
#include "bus_linux/system_calls.hpp"

namespace fake_kernel {

// Every call the back end made, as text: "open /dev/parport0", "PPWDATA 136", "outb 0x37a 1",
// "PPRSTATUS", "inb 0x379".
std::vector<std::string>& calls();

// Forgets the calls, and makes the named call ("open", "PPCLAIM", "PPWDATA", "ioperm", ...) fail
// with `error_number` once it has succeeded `successes_first` times, `failures` times (-1: from
// then on); "" fails none.
void reset(const std::string& failing_call = "", int error_number = 0, int successes_first = 0,
           int failures = -1);

// What the port's status register reads, to PPRSTATUS and inb alike, until the next reset (0).
void set_status(std::uint8_t status);

// Records a call ("name detail") and tells whether it is the one planned to fail; errno is
// then set. For other stand-ins of the kernel.
bool record(const std::string& name, const std::string& detail);

const bus::SystemCalls& system_calls();
const bus::PortIoCalls& port_io_calls();

// Raw port I/O at `base` on this kernel; none where raw I/O is not built (not x86).
std::unique_ptr<bus::Port> raw_io_port(std::uint16_t base,
                                       std::optional<bus::StatusPin> lock_pin = std::nullopt);

}  // namespace fake_kernel

#pragma once

#include <string>
#include <vector>

#include "bus/raw_io_port.hpp"
#include "bus/system_calls.hpp"

namespace fake_kernel {

// Every call the back end made, as text: "open /dev/parport0", "PPWDATA 136", "outb 0x37a 1".
std::vector<std::string>& calls();

// Makes the named call ("open", "PPCLAIM", "PPWDATA", "ioperm", ...) fail with `error_number`,
// after it has succeeded `successes_first` times.
void fail(const std::string& call, int error_number, int successes_first = 0);

// Records a call ("name detail") and tells whether it is the one planned to fail; errno is
// then set. For other stand-ins of the kernel.
bool record(const std::string& name, const std::string& detail);

// Forgets the calls and the planned failure.
void reset();

const bus::SystemCalls& system_calls();
const bus::PortIoCalls& port_io_calls();

}  // namespace fake_kernel

#pragma once

#include <string>
#include <vector>

#include "bus/system_calls.hpp"

namespace fake_kernel {

// Every call the back end made, as text: "open /dev/parport0", "PPWDATA 136", "outb 0x37a 1".
std::vector<std::string>& calls();

// Forgets the calls, and makes the named call ("open", "PPCLAIM", "PPWDATA", "ioperm", ...) fail
// with `error_number` once it has succeeded `successes_first` times; "" fails none.
void reset(const std::string& failing_call = "", int error_number = 0, int successes_first = 0);

const bus::SystemCalls& system_calls();

}  // namespace fake_kernel

#pragma once

#include <linux/gpio.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "bus_linux/system_calls.hpp"

// The kernel as the Linux back ends reach it, answering from tables: every call is noted as text
// ("open /dev/parport0", "PPWDATA 136", "outb 890 1", "open DIR/gpiochip0", "GET_LINE offsets
// 17,27,22 consumer saa1057-panel flags OUTPUT output-values 000/111", "SET 001/001" as
// bits/mask with line 0 rightmost, "GET 1000", "close request"), and succeeds unless refused.
namespace fake_kernel {

// The folder of the GPIO chips and of the kernel's parport files, in the test's working folder:
// calls and messages name it as the golden files do.
inline const std::filesystem::path kDir = "DIR";

// `call` fails with `error` once it has succeeded `successes_first` times, `failures` times
// (-1: from then on), whenever its text holds `when`.
struct Refusal {
  std::string call;
  int error, successes_first, failures;
  std::string when;
};

struct Chip {
  std::string name;
  std::string label;
  std::vector<std::string> lines;              // their names
  std::map<std::uint32_t, std::string> users;  // lines another program holds
};

struct Kernel {
  std::vector<std::string> calls = {};
  std::vector<Refusal> refusals = {};
  std::vector<Chip> chips = {};
  std::uint64_t levels = 0;  // the parallel port's status register; bit n the nth GPIO line asked
  std::vector<gpio_v2_line_event> edges = {};  // what a read of the request gives
  int open = 0;                                // descriptors not closed
};
inline Kernel kernel;

// Forgets all but the refusals given ("PPCLAIM 6 ENXIO 0 1; ...": each as CALL ERRNO NAME
// SUCCESSES_FIRST FAILURES [WHEN], FAILURES - for from then on; "-" for none). DIR holds gpiochip0
// [pinctrl-bcm2711] with lines GPIO0 to GPIO27 and gpiochip1 [usb-adapter] with GP0 to GP3.
void reset(const std::string& refusals = "-");

// Notes the call; true, with errno set, when it is refused.
bool refused(const std::string& name, const std::string& detail = "");

const bus::SystemCalls& system_calls();

}  // namespace fake_kernel

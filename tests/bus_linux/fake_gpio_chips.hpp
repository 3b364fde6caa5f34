#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "bus_linux/system_calls.hpp"

// GPIO chips as the kernel's character device shows them, behind the system-call table. Calls
// go to fake_kernel::calls(), and fake_kernel::fail() makes one fail: "open /dir/gpiochip0",
// "CHIPINFO", "LINEINFO 17", "GET_LINE offsets 17,27,22 consumer saa1057-panel flags OUTPUT
// output-values 000/111", "SET 001/001" (bits/mask, line 0 rightmost), "GET 1000" (the mask),
// "close chip", "close request".
namespace fake_gpio {

struct Line {
  std::string name;
  std::string consumer;  // held by another user when not empty
  bool high = false;     // what the line reads as an input
};

struct Chip {
  std::string name;
  std::string label;
  std::vector<Line> lines;
  int bias_error = 0;      // how the chip's driver refuses a pull-up or pull-down; 0: it makes one
  bool interrupts = true;  // without, the kernel refuses edge detection (ENXIO)
};

// Forgets the calls; makes `dir` hold gpiochip0 [pinctrl-bcm2711] with lines GPIO0 to GPIO27
// and gpiochip1 [usb-adapter] with GP0 to GP3, each as an empty file that the fake answers for.
void reset(const std::filesystem::path& dir);

// The chips, by their number, to change before a back end binds.
std::vector<Chip>& chips();

// The edge events a read of the request gives (GPIO_V2_LINE_EVENT_...); reset() gives none.
std::vector<std::uint32_t>& edges();

// Chips and requests opened and not yet closed.
int open_descriptors();

const bus::SystemCalls& system_calls();

}  // namespace fake_gpio

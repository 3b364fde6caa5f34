#pragma once

#include <linux/gpio.h>

#include "bus_linux/system_calls.hpp"

// How many GPIO set-values calls the kernel below was made: on a USB adapter whose pins the
// kernel offers as GPIO lines, one round trip each.
inline long set_values_calls = 0;

// A kernel that answers every call of the Linux back ends at once and does nothing, so that a
// benchmark shows the back ends' own cost: a GPIO chip of 64 lines, a parallel port.
inline const bus::SystemCalls& null_kernel() {
  static constexpr bus::SystemCalls kCalls{[](const char*, int) { return 3; },
                                           [](int, unsigned long request, void* argument) {
                                             if (request == GPIO_GET_CHIPINFO_IOCTL)
                                               static_cast<gpiochip_info*>(argument)->lines = 64;
                                             if (request == GPIO_V2_GET_LINE_IOCTL)
                                               static_cast<gpio_v2_line_request*>(argument)->fd = 4;
                                             if (request == GPIO_V2_LINE_SET_VALUES_IOCTL)
                                               ++set_values_calls;
                                             return 0;
                                           },
                                           [](int) { return 0; }, nullptr};
  return kCalls;
}

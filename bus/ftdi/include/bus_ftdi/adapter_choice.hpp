#pragma once

#include <cstddef>
#include <span>
#include <string>

#include "bus_ftdi/ftdi_pins.hpp"

namespace bus {

// An FTDI adapter found on the USB: what its descriptors say, or why they could not be read.
struct FoundAdapter {
  std::string where;        // "USB bus 1 device 4"
  std::string serial;       // empty when unreadable
  std::string product;      // "FT232R USB UART"
  int channels = 1;         // 2 on an FT2232, 4 on an FT4232
  std::string unreadable;   // the system's reason the device could not be opened, if any
};

// The adapter `address` names among `found`: the one with its serial number, or the only one
// when it names none, and only if it has the channel asked for and could be read. `elsewhere`
// lists the other USB devices, for the message when there is no adapter; `access_way_out` is
// the platform's advice when an adapter cannot be opened. Throws common::FatalError.
const FoundAdapter& choose_adapter(std::span<const FoundAdapter> found, const FtdiAddress& address,
                                   const std::string& elsewhere, const std::string& access_way_out);

// "FT232R USB UART A50285BI", or where it is when its descriptors cannot be read.
std::string identity_of(const FoundAdapter& adapter);

}  // namespace bus

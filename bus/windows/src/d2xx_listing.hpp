#pragma once

#include <windows.h>

#include <array>
#include <vector>

#include "bus_ftdi/adapter_choice.hpp"
#include "d2xx_library.hpp"

namespace bus::d2xx {

// The adapters as Linux sees them, where D2XX lists each channel of a two- or four-channel chip
// as a device of its own, its serial number and description ending in the channel's letter
// ("FT4ABC12A", "Dual RS232-HS A").
struct Listing {
  std::vector<FoundAdapter> adapters;
  // Each adapter's channels, A first, by the location D2XX opens them at; 0 for a channel it
  // does not list (another program holds it).
  std::vector<std::array<DWORD, 4>> locations;
};

// Throws common::FatalError when D2XX cannot list its devices.
Listing list_adapters(const Library& library);

}  // namespace bus::d2xx

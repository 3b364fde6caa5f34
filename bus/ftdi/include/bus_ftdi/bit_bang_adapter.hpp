#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "bus_ftdi/ftdi_pins.hpp"

namespace bus {

// One FTDI channel in asynchronous bit-bang mode, through the platform's driver: libftdi on
// Linux, FTDI's D2XX on Windows. Every failure throws common::FatalError naming the adapter,
// the system's reason and the way out.
class BitBangAdapter {
 public:
  virtual ~BitBangAdapter() = default;

  // Finds the adapter `address` names and opens its channel with `outputs` (a mask of D0-D7)
  // driven, all low, in asynchronous bit-bang mode; the others stay inputs.
  virtual void open(const FtdiAddress& address, std::uint8_t outputs) = 0;

  // The sample clock, kBitBangClockHz / divisor.
  virtual void set_divisor(std::uint16_t divisor) = 0;

  // Puts the samples on the pins in one USB transfer.
  virtual void write(std::span<const std::uint8_t> samples) = 0;

  // The pins' levels at `count` ticks of the sample clock in a row, bit n for Dn, inputs and
  // outputs alike, the outputs held at `levels` (as last written): a burst in synchronous
  // bit-bang mode, asynchronous again after.
  virtual std::vector<std::uint8_t> sample_pins(std::uint8_t levels, std::size_t count) = 0;

  // Once open: the adapter as its USB descriptors name it, "FT232R USB UART A50285BI".
  virtual std::string identity() const = 0;
};

}  // namespace bus

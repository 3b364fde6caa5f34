#pragma once

#include <string_view>

#include "bus/bus_settings.hpp"
#include "bus/busy_spin.hpp"
#include "bus/inpout.hpp"

namespace bus {

// Clocks bit strings into the synthesizer through the data and control registers, paced by
// the bus wait. Reads the port base and delay count from the settings on every call, so a
// change of the bus speed applies from the next wait on.
class Transmitter {
 public:
  Transmitter(const BusSettings& settings, Inpout& library, Spin spin = busy_spin)
      : settings_(settings), library_(library), spin_(spin) {}

  // One bus wait: iDel empty iterations, then iDel x 10; or, for a port that holds the levels
  // on the wire itself, the wait handed to it.
  void delay() const;

  // Sends a leading "0" and then every character of sWord ("1" is a one, anything else a
  // zero) between asserting and releasing the enable line, then one more clock pulse, which
  // makes the chip load the word. Ends with the lines at rest and the port flushed.
  void Send(std::string_view sWord) const;

  // Data register 0, then control register 1, without waits.
  void rest_lines() const;

 private:
  void send_bit(std::int16_t data_register, char bit) const;
  std::int16_t control_register() const;

  const BusSettings& settings_;
  Inpout& library_;
  Spin spin_;
};

}  // namespace bus

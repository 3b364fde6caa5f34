#pragma once

#include "bus/port.hpp"

// A port that takes every write and keeps nothing; only the last value, so that the writes
// cannot be optimised away.
class DiscardingPort : public bus::Port {
 public:
  std::string name() const override { return "discarding port"; }
  void write(std::uint16_t address, std::uint8_t value) override { last_ = address ^ value; }
  volatile unsigned last_ = 0;
};

#pragma once

#include <chrono>

#include "bus/port.hpp"

// A port that takes every write and keeps nothing; only the last value, so that the writes
// cannot be optimised away.
class DiscardingPort : public bus::Port {
 public:
  std::string name() const override { return "discarding port"; }
  std::string label() const override { return name(); }
  void write(bus::Register target, std::uint8_t value) override {
    last_ = static_cast<unsigned>(target) ^ value;
  }
  volatile unsigned last_ = 0;
};

// A port whose every write takes about a microsecond, as one on the ISA bus of a PC does.
class LegacySpeedPort : public DiscardingPort {
 public:
  void write(bus::Register target, std::uint8_t value) override {
    const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(1);
    while (std::chrono::steady_clock::now() < until) {
    }
    DiscardingPort::write(target, value);
  }
};

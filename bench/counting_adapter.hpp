#pragma once

#include <cstdint>
#include <span>

#include "bus_ftdi/bit_bang_adapter.hpp"

// An FTDI adapter that sends nothing anywhere and counts what it is asked for: the USB transfers
// of samples, their bytes, and the sample clock's divisor last set.
class CountingAdapter : public bus::BitBangAdapter {
 public:
  void open(const bus::FtdiAddress&, std::uint8_t) override {}
  void set_divisor(std::uint16_t divisor) override { divisor_ = divisor; }
  void write(std::span<const std::uint8_t> samples) override {
    ++transfers_;
    bytes_ += static_cast<long>(samples.size());
  }
  std::vector<std::uint8_t> sample_pins(std::uint8_t, std::size_t count) override {
    return std::vector<std::uint8_t>(count);
  }
  std::string identity() const override { return "counting adapter"; }

  long transfers_ = 0;
  long bytes_ = 0;
  std::uint16_t divisor_ = 0;
};

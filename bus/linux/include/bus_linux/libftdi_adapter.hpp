#pragma once

#include <string>

#include "bus_ftdi/adapter_choice.hpp"
#include "bus_ftdi/bit_bang_adapter.hpp"

struct ftdi_context;

namespace bus {

// An FTDI channel through libftdi and libusb. Opening detaches the kernel's ftdi_sio from the
// channel; closing gives it back, so the adapter is a serial port again once the panel ends.
class LibftdiAdapter : public BitBangAdapter {
 public:
  LibftdiAdapter() = default;
  ~LibftdiAdapter() override;
  LibftdiAdapter(const LibftdiAdapter&) = delete;
  LibftdiAdapter& operator=(const LibftdiAdapter&) = delete;

  void open(const FtdiAddress& address, std::uint8_t outputs) override;
  void set_divisor(std::uint16_t divisor) override;
  void write(std::span<const std::uint8_t> samples) override;
  std::vector<std::uint8_t> sample_pins(std::uint8_t levels, std::size_t count) override;
  std::string identity() const override { return identity_of(chosen_); }

 private:
  [[noreturn]] void fail(const std::string& what, int usb_error, const std::string& way_out) const;
  void set_mode(unsigned char mode);

  ftdi_context* context_ = nullptr;
  FoundAdapter chosen_;
  bool opened_ = false;
  bool multi_channel_ = false;
  std::uint8_t outputs_ = 0;
};

}  // namespace bus

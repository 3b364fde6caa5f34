#pragma once

#include <memory>
#include <string>

#include "bus_ftdi/adapter_choice.hpp"
#include "bus_ftdi/bit_bang_adapter.hpp"

namespace bus {

namespace d2xx {
class Library;
}

// An FTDI channel through FTDI's D2XX driver, ftd2xx.dll, loaded when the adapter is opened
// from the program's folder or the system folder. Closing puts the channel back in its serial
// mode, as it was before the panel.
class D2xxAdapter : public BitBangAdapter {
 public:
  D2xxAdapter();
  ~D2xxAdapter() override;
  D2xxAdapter(const D2xxAdapter&) = delete;
  D2xxAdapter& operator=(const D2xxAdapter&) = delete;

  void open(const FtdiAddress& address, std::uint8_t outputs) override;
  void set_divisor(std::uint16_t divisor) override;
  void write(std::span<const std::uint8_t> samples) override;
  std::vector<std::uint8_t> sample_pins(std::uint8_t levels, std::size_t count) override;
  std::string identity() const override { return identity_of(chosen_); }

 private:
  // Throws common::FatalError: `what`, D2XX's status as a word, the way out.
  [[noreturn]] void fail(const std::string& what, unsigned long status,
                         const std::string& way_out) const;
  void set_mode(unsigned char mode);

  std::unique_ptr<d2xx::Library> library_;
  void* handle_ = nullptr;
  FoundAdapter chosen_;
  std::uint8_t outputs_ = 0;
};

}  // namespace bus

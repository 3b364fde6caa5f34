#include "bus_windows/d2xx_adapter.hpp"

#include <cstdint>

#include "common/failure_message.hpp"
#include "d2xx_library.hpp"
#include "d2xx_listing.hpp"

namespace bus {

namespace {
constexpr const char* kHeldWayOut = "Close that program";
constexpr const char* kReplugWayOut = "Plug the adapter in again and restart the panel";
constexpr ULONG kTimeoutMs = 5000;
}  // namespace

D2xxAdapter::D2xxAdapter() = default;

D2xxAdapter::~D2xxAdapter() {
  if (!handle_) return;
  // The pins inputs and the channel a serial port again, as they were before the panel.
  library_->SetBitMode(handle_, 0, d2xx::kResetMode);
  library_->Close(handle_);
}

void D2xxAdapter::fail(const std::string& what, unsigned long status,
                       const std::string& way_out) const {
  throw common::failure(what, d2xx::status_word(status), common::or_try_simulate(way_out));
}

void D2xxAdapter::open(const FtdiAddress& address, std::uint8_t outputs) {
  library_ = std::make_unique<d2xx::Library>();
  const d2xx::Listing listing = d2xx::list_adapters(*library_);
  if (listing.adapters.empty()) {
    // D2XX sees no other USB devices, which Linux's message names.
    throw common::failure("No FTDI adapter is plugged in", "FTDI's D2XX driver lists none",
                          common::or_try_simulate("Plug in the adapter, or give it FTDI's driver "
                                                  "back in the Device Manager if another has "
                                                  "taken it"));
  }
  // The only adapter that cannot be read is one another program holds.
  const FoundAdapter& chosen = choose_adapter(listing.adapters, address, "", kHeldWayOut);
  chosen_ = chosen;
  const std::string name = identity();
  const auto at = static_cast<std::size_t>(&chosen - listing.adapters.data());
  const DWORD location = listing.locations[at][static_cast<std::size_t>(address.channel)];
  if (location == 0) {
    throw common::failure(
        std::string("Cannot open channel ") + channel_letter(address.channel) + " of " + name,
        "another program holds it", common::or_try_simulate(kHeldWayOut));
  }
  d2xx::Handle handle = nullptr;
  const d2xx::Status opened =
      library_->OpenEx(reinterpret_cast<PVOID>(static_cast<std::uintptr_t>(location)),
                       d2xx::kOpenByLocation, &handle);
  if (opened != d2xx::kOk) {
    fail("Cannot open " + name, opened,
         opened == d2xx::kDeviceNotOpened ? "Close any other program that uses the adapter"
                                          : "Plug the adapter in again");
  }
  handle_ = handle;
  outputs_ = outputs;
  // A read of the pins that never comes back fails instead of waiting for ever.
  if (const auto status = library_->SetTimeouts(handle_, kTimeoutMs, kTimeoutMs);
      status != d2xx::kOk) {
    fail("Cannot open " + name, status, "Plug the adapter in again");
  }
  set_mode(d2xx::kAsyncBitBang);
}

void D2xxAdapter::set_mode(unsigned char mode) {
  if (const auto status = library_->SetBitMode(handle_, outputs_, mode); status != d2xx::kOk) {
    fail("Cannot put " + identity() + " in bit-bang mode", status, "Plug the adapter in again");
  }
}

void D2xxAdapter::set_divisor(std::uint16_t divisor) {
  // The divisor as it is, as on Linux: D2XX's baud-rate call would scale it for bit-bang mode.
  if (const auto status = library_->SetDivisor(handle_, divisor); status != d2xx::kOk) {
    fail("Cannot set the bit-bang rate of " + identity(), status, kReplugWayOut);
  }
}

void D2xxAdapter::write(std::span<const std::uint8_t> samples) {
  DWORD written = 0;
  // One call: the driver splits it into USB packets, the chip clocks them out back to back.
  const auto status = library_->Write(handle_, const_cast<std::uint8_t*>(samples.data()),
                                      static_cast<DWORD>(samples.size()), &written);
  if (status != d2xx::kOk) fail("Cannot write to " + identity(), status, kReplugWayOut);
  if (written != samples.size()) {
    throw common::failure(
        "Cannot write to " + identity(),
        std::to_string(written) + " of " + std::to_string(samples.size()) + " samples went out",
        common::or_try_simulate(kReplugWayOut));
  }
}

std::vector<std::uint8_t> D2xxAdapter::sample_pins(std::uint8_t levels, std::size_t count) {
  const std::string what = "Cannot read the pins of " + identity();
  set_mode(d2xx::kSyncBitBang);
  // Nothing left over from before: every byte read must be a sample of this burst.
  if (const auto status = library_->Purge(handle_, d2xx::kPurgeRx); status != d2xx::kOk) {
    fail(what, status, kReplugWayOut);
  }
  std::vector<std::uint8_t> samples(count, levels);
  write(samples);
  DWORD read = 0;
  if (const auto status = library_->Read(handle_, samples.data(), static_cast<DWORD>(count), &read);
      status != d2xx::kOk) {
    fail(what, status, kReplugWayOut);
  }
  if (read != count) {
    throw common::failure(
        what, std::to_string(read) + " of " + std::to_string(count) + " samples came back",
        common::or_try_simulate(kReplugWayOut));
  }
  set_mode(d2xx::kAsyncBitBang);
  return samples;
}

}  // namespace bus

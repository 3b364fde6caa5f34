#include "d2xx_listing.hpp"

#include <algorithm>
#include <utility>

#include "common/failure_message.hpp"

namespace bus::d2xx {

namespace {

// The chips with more than one channel, by D2XX's device type (FT_DEVICE_...).
constexpr std::pair<DWORD, int> kChannels[] = {
    {4, 2},                              // FT2232C
    {6, 2},  {7, 4},                     // FT2232H, FT4232H
    {17, 2}, {18, 4}, {19, 2}, {20, 4},  // FT2233HP, FT4233HP, FT2232HP, FT4232HP
    {23, 2}, {24, 4},                    // FT2232HA, FT4232HA
    {26, 2}, {27, 4}, {28, 2}, {29, 4},  // FT2233HPN, FT4233HPN, FT2232HPN, FT4232HPN
};

int channels_of(DWORD type) {
  const auto* row = std::ranges::find(kChannels, type, &std::pair<DWORD, int>::first);
  return row == std::end(kChannels) ? 1 : row->second;
}

// One entry of D2XX's list.
struct Entry {
  DWORD flags = 0;
  DWORD type = 0;
  DWORD location = 0;
  std::array<char, 2 * kSerialSize> serial{};
  std::array<char, 2 * kDescriptionSize> description{};
};

void add(Listing& listing, DWORD index, const Entry& entry) {
  const std::string where = "D2XX device " + std::to_string(index);
  if (entry.flags & kFlagOpened) {
    // D2XX tells nothing more of a device that another program holds.
    listing.adapters.push_back({where, "", "", 1, "another program holds it"});
    listing.locations.push_back({});
    return;
  }
  std::string serial(entry.serial.data());
  std::string product(entry.description.data());
  const int channels = channels_of(entry.type);
  int channel = 0;
  if (channels > 1 && !serial.empty() && serial.back() >= 'A' && serial.back() < 'A' + channels) {
    channel = serial.back() - 'A';
    serial.pop_back();
    const std::string letter = std::string(" ") + channel_letter(channel);
    if (product.ends_with(letter)) product.resize(product.size() - letter.size());
  }
  const auto same = std::ranges::find_if(listing.adapters, [&](const FoundAdapter& adapter) {
    return channels > 1 && adapter.unreadable.empty() && adapter.serial == serial;
  });
  const auto at = static_cast<std::size_t>(same - listing.adapters.begin());
  if (same == listing.adapters.end()) {
    listing.adapters.push_back({where, serial, product, channels, ""});
    listing.locations.push_back({});
  }
  listing.locations[at][static_cast<std::size_t>(channel)] = entry.location;
}

}  // namespace

Listing list_adapters(const Library& library) {
  DWORD count = 0;
  if (const Status status = library.CreateDeviceInfoList(&count); status != kOk) {
    throw common::failure("FTDI's D2XX driver cannot list the adapters", status_word(status),
                          common::or_try_simulate("Plug the adapter in again"));
  }
  Listing listing;
  for (DWORD index = 0; index < count; ++index) {
    Entry entry;
    DWORD id = 0;
    Handle handle = nullptr;
    // An entry that has gone since the list was made is left out.
    if (library.GetDeviceInfoDetail(index, &entry.flags, &entry.type, &id, &entry.location,
                                    entry.serial.data(), entry.description.data(),
                                    &handle) != kOk) {
      continue;
    }
    entry.serial.back() = entry.description.back() = '\0';
    add(listing, index, entry);
  }
  return listing;
}

}  // namespace bus::d2xx

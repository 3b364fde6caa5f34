#include "bus_ftdi/adapter_choice.hpp"

#include "common/failure_message.hpp"

namespace bus {

namespace {

// "A50285BI, the one on USB bus 1 device 3 (Access denied)": each adapter by its serial number,
// or, where it has none or it cannot be read, by where it is.
std::string listed(std::span<const FoundAdapter> found) {
  std::string list;
  for (const auto& adapter : found) {
    if (!list.empty()) list += ", ";
    if (adapter.unreadable.empty() && !adapter.serial.empty()) {
      list += adapter.serial;
    } else {
      list += "the one on " + adapter.where + " (" +
              (adapter.unreadable.empty() ? "no serial number" : adapter.unreadable) + ")";
    }
  }
  return list;
}

[[noreturn]] void refuse_unreadable(const FoundAdapter& adapter,
                                    const std::string& access_way_out) {
  throw common::failure("Cannot open " + identity_of(adapter), adapter.unreadable,
                        common::or_try_simulate(access_way_out));
}

const FoundAdapter& usable(const FoundAdapter& adapter, const FtdiAddress& address,
                           const std::string& access_way_out) {
  if (!adapter.unreadable.empty()) refuse_unreadable(adapter, access_way_out);
  if (address.channel >= adapter.channels) {
    const std::string has = adapter.channels == 1   ? std::string("channel A only")
                            : adapter.channels == 2 ? std::string("channels A and B")
                                                    : std::string("channels A to ") +
                                                          channel_letter(adapter.channels - 1);
    throw common::failure(
        identity_of(adapter) + " has no channel " + channel_letter(address.channel),
        "it has " + has,
        common::or_try_simulate(adapter.channels == 1 ? "Leave the channel out"
                                                      : "Give one of its channels"));
  }
  return adapter;
}

}  // namespace

std::string identity_of(const FoundAdapter& adapter) {
  if (!adapter.unreadable.empty()) return "the FTDI adapter on " + adapter.where;
  if (adapter.serial.empty()) return adapter.product + " on " + adapter.where;
  return adapter.product + " " + adapter.serial;
}

const FoundAdapter& choose_adapter(std::span<const FoundAdapter> found, const FtdiAddress& address,
                                   const std::string& elsewhere,
                                   const std::string& access_way_out) {
  if (found.empty()) {
    throw common::failure(
        "No FTDI adapter is plugged in",
        elsewhere.empty() ? "no other USB device is either" : "the USB devices are " + elsewhere,
        common::or_try_simulate("Plug in the adapter"));
  }
  if (address.serial.empty()) {
    if (found.size() == 1) return usable(found.front(), address, access_way_out);
    throw common::failure(std::to_string(found.size()) + " FTDI adapters are plugged in",
                          listed(found),
                          common::or_try_simulate("Name one by its serial number: --port "
                                                  "ftdi:SERIAL"));
  }
  for (const auto& adapter : found) {
    if (adapter.serial == address.serial) return usable(adapter, address, access_way_out);
  }
  // An adapter that cannot be opened may be the one named: its serial number is unknown.
  for (const auto& adapter : found) {
    if (!adapter.unreadable.empty()) refuse_unreadable(adapter, access_way_out);
  }
  throw common::failure(
      "No FTDI adapter has serial number " + address.serial,
      (found.size() == 1 ? "the adapter plugged in is " : "the adapters plugged in are ") +
          listed(found),
      common::or_try_simulate("Give one of those"));
}

}  // namespace bus

#include "bus_linux/libftdi_adapter.hpp"

#include <ftdi.h>
#include <libusb.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <vector>

#include "common/failure_message.hpp"

namespace bus {

namespace {

constexpr std::uint16_t kFtdiVendor = 0x0403;
// FTDI's own product IDs, as libftdi and the package's udev rule know them.
constexpr std::uint16_t kFtdiProducts[] = {0x6001, 0x6010, 0x6011, 0x6014, 0x6015};
// A vendor request to the device, host to device: FTDI's requests.
constexpr std::uint8_t kVendorOut = 0x40;
constexpr std::uint8_t kSetBaudRate = 3;
constexpr unsigned kTimeoutMs = 5000;
constexpr const char* kPlugInAgain = "Plug the adapter in again and restart the panel";
constexpr const char* kAccessWayOut =
    "Join the plugdev group (sudo usermod -aG plugdev $USER, then log in again) and let the "
    "package's udev rule give it the adapter (README, FTDI USB adapters), then plug the adapter "
    "in again";

bool is_ftdi(const libusb_device_descriptor& descriptor) {
  if (descriptor.idVendor != kFtdiVendor) return false;
  for (const auto product : kFtdiProducts) {
    if (descriptor.idProduct == product) return true;
  }
  return false;
}

int channels_of(const libusb_device_descriptor& descriptor) {
  switch (descriptor.idProduct) {
    case 0x6010:
      return 2;
    case 0x6011:
      return 4;
    default:
      return 1;
  }
}

std::string where_of(libusb_device* device) {
  return "USB bus " + std::to_string(libusb_get_bus_number(device)) + " device " +
         std::to_string(libusb_get_device_address(device));
}

// "046d:c52b (USB Receiver)": the IDs, and the product's name where sysfs, which anyone may
// read, has it; the descriptor itself would need the device opened.
std::string vendor_product(libusb_device* device, const libusb_device_descriptor& descriptor) {
  char ids[10];
  std::snprintf(ids, sizeof ids, "%04x:%04x", descriptor.idVendor, descriptor.idProduct);
  std::uint8_t ports[8];
  const int depth = libusb_get_port_numbers(device, ports, sizeof ports);
  std::string sysfs_name = std::to_string(libusb_get_bus_number(device));
  for (int i = 0; i < depth; ++i) sysfs_name += (i == 0 ? "-" : ".") + std::to_string(ports[i]);
  std::ifstream file("/sys/bus/usb/devices/" + sysfs_name + "/product");
  std::string product;
  if (depth > 0 && std::getline(file, product) && !product.empty()) {
    return std::string(ids) + " (" + product + ")";
  }
  return ids;
}

std::string string_descriptor(libusb_device_handle* handle, std::uint8_t index) {
  unsigned char text[128];
  const int length =
      index == 0 ? 0 : libusb_get_string_descriptor_ascii(handle, index, text, sizeof text);
  return length > 0 ? std::string(reinterpret_cast<char*>(text), static_cast<std::size_t>(length))
                    : std::string();
}

FoundAdapter found_adapter(libusb_device* device, const libusb_device_descriptor& descriptor) {
  FoundAdapter adapter{where_of(device), "", "", channels_of(descriptor), ""};
  libusb_device_handle* handle = nullptr;
  if (const int error = libusb_open(device, &handle); error != 0) {
    adapter.unreadable = libusb_strerror(error);
    return adapter;
  }
  adapter.serial = string_descriptor(handle, descriptor.iSerialNumber);
  adapter.product = string_descriptor(handle, descriptor.iProduct);
  libusb_close(handle);
  return adapter;
}

struct DeviceList {
  libusb_device** devices = nullptr;
  ssize_t count = 0;
  ~DeviceList() {
    if (devices) libusb_free_device_list(devices, 1);
  }
};

}  // namespace

LibftdiAdapter::~LibftdiAdapter() {
  if (!context_) return;
  // Leave the pins as inputs and the channel a serial port, as it was before the panel.
  if (opened_) {
    ftdi_set_bitmode(context_, 0, BITMODE_RESET);
    ftdi_usb_close(context_);
  }
  ftdi_free(context_);
}

void LibftdiAdapter::fail(const std::string& what, int usb_error,
                          const std::string& way_out) const {
  throw common::failure(what, libusb_strerror(usb_error), common::or_try_simulate(way_out));
}

void LibftdiAdapter::open(const FtdiAddress& address, std::uint8_t outputs) {
  context_ = ftdi_new();
  if (!context_) {
    throw common::failure("Cannot reach the USB devices", "libusb could not be initialized",
                          common::or_try_simulate());
  }
  context_->module_detach_mode = AUTO_DETACH_REATACH_SIO_MODULE;

  DeviceList list;
  list.count = libusb_get_device_list(context_->usb_ctx, &list.devices);
  if (list.count < 0) {
    fail("Cannot list the USB devices", static_cast<int>(list.count), "");
  }
  std::vector<FoundAdapter> found;
  std::vector<libusb_device*> devices;
  std::string elsewhere;
  for (ssize_t i = 0; i < list.count; ++i) {
    libusb_device_descriptor descriptor{};
    if (libusb_get_device_descriptor(list.devices[i], &descriptor) != 0) continue;
    if (is_ftdi(descriptor)) {
      found.push_back(found_adapter(list.devices[i], descriptor));
      devices.push_back(list.devices[i]);
    } else if (descriptor.bDeviceClass != LIBUSB_CLASS_HUB) {
      elsewhere += (elsewhere.empty() ? "" : ", ") + vendor_product(list.devices[i], descriptor);
    }
  }
  const FoundAdapter& chosen = choose_adapter(found, address, elsewhere, kAccessWayOut);
  chosen_ = chosen;
  libusb_device* device = devices[static_cast<std::size_t>(&chosen - found.data())];
  const std::string name = identity_of(chosen_);

  multi_channel_ = chosen_.channels > 1;
  ftdi_set_interface(context_, static_cast<ftdi_interface>(INTERFACE_A + address.channel));
  if (const int error = ftdi_usb_open_dev(context_, device); error != 0) {
    // libftdi's codes: -5 is the claim, which fails while another program holds the channel.
    if (error == -5) {
      throw common::failure("Cannot claim " + name, "another program holds it",
                            common::or_try_simulate("Close the program that holds it"));
    }
    throw common::failure("Cannot open " + name, ftdi_get_error_string(context_),
                          common::or_try_simulate(kPlugInAgain));
  }
  opened_ = true;
  outputs_ = outputs;
  set_mode(BITMODE_BITBANG);
}

void LibftdiAdapter::set_mode(unsigned char mode) {
  if (ftdi_set_bitmode(context_, outputs_, mode) != 0) {
    throw common::failure("Cannot put " + identity() + " in bit-bang mode",
                          ftdi_get_error_string(context_), common::or_try_simulate(kPlugInAgain));
  }
}

void LibftdiAdapter::set_divisor(std::uint16_t divisor) {
  // Sent as it is, with no fraction: libftdi's own baud-rate call would scale it for bit-bang
  // mode in its own way. A multi-channel chip takes the channel in the index.
  const std::uint16_t index = multi_channel_ ? static_cast<std::uint16_t>(context_->index) : 0;
  const int result = libusb_control_transfer(context_->usb_dev, kVendorOut, kSetBaudRate, divisor,
                                             index, nullptr, 0, kTimeoutMs);
  if (result < 0) {
    fail("Cannot set the bit-bang rate of " + identity(), result, kPlugInAgain);
  }
}

void LibftdiAdapter::write(std::span<const std::uint8_t> samples) {
  int sent = 0;
  // One bulk transfer: libusb splits it into packets, the chip clocks them out back to back.
  const int result =
      libusb_bulk_transfer(context_->usb_dev, static_cast<unsigned char>(context_->in_ep),
                           const_cast<unsigned char*>(samples.data()),
                           static_cast<int>(samples.size()), &sent, kTimeoutMs);
  if (result != 0) fail("Cannot write to " + identity(), result, kPlugInAgain);
  if (sent != static_cast<int>(samples.size())) {
    throw common::failure(
        "Cannot write to " + identity(),
        std::to_string(sent) + " of " + std::to_string(samples.size()) + " samples went out",
        common::or_try_simulate(kPlugInAgain));
  }
}

std::vector<std::uint8_t> LibftdiAdapter::sample_pins(std::uint8_t levels, std::size_t count) {
  const auto cannot_read = [this](const std::string& reason) {
    return common::failure("Cannot read the pins of " + identity(), reason,
                           common::or_try_simulate(kPlugInAgain));
  };
  set_mode(BITMODE_SYNCBB);
  // Nothing left over from before: every byte read must be a sample of this burst.
  if (ftdi_tciflush(context_) != 0) throw cannot_read(ftdi_get_error_string(context_));
  std::vector<std::uint8_t> samples(count, levels);
  write(samples);
  std::size_t read = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kTimeoutMs);
  while (read < count && std::chrono::steady_clock::now() < deadline) {
    const int result =
        ftdi_read_data(context_, samples.data() + read, static_cast<int>(count - read));
    if (result < 0) throw cannot_read(ftdi_get_error_string(context_));
    read += static_cast<std::size_t>(result);
  }
  if (read < count) {
    throw cannot_read(std::to_string(read) + " of " + std::to_string(count) +
                      " samples came back");
  }
  set_mode(BITMODE_BITBANG);
  return samples;
}

}  // namespace bus

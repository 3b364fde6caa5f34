// libftdi's adapter on stand-ins for libftdi and libusb, which reach no USB device: one FT232R,
// A50285BI, whose bulk transfers come back `shortfall` samples short.
#include "bus_linux/libftdi_adapter.hpp"

#include <ftdi.h>
#include <gtest/gtest.h>
#include <libusb.h>

#include <string>

#include "bus_ftdi/ftdi_port.hpp"
#include "support/golden.hpp"
#include "support/wire.hpp"

namespace {
int shortfall = 0;
char device, handle;  // what the pointers libusb hands out point at
}  // namespace

ftdi_context* ftdi_new() { return new ftdi_context{}; }
void ftdi_free(ftdi_context* context) { delete context; }
int ftdi_set_interface(ftdi_context*, ftdi_interface) { return 0; }
int ftdi_usb_open_dev(ftdi_context* context, libusb_device*) {
  context->usb_dev = reinterpret_cast<libusb_device_handle*>(&handle);
  return 0;
}
int ftdi_usb_close(ftdi_context*) { return 0; }
int ftdi_set_bitmode(ftdi_context*, unsigned char, unsigned char) { return 0; }
int ftdi_tciflush(ftdi_context*) { return 0; }
int ftdi_read_data(ftdi_context*, unsigned char*, int size) { return size; }
const char* ftdi_get_error_string(ftdi_context*) { return "stand-in failure"; }
const char* libusb_strerror(int) { return "stand-in failure"; }
ssize_t libusb_get_device_list(libusb_context*, libusb_device*** list) {
  static libusb_device* devices[] = {reinterpret_cast<libusb_device*>(&device), nullptr};
  *list = devices;
  return 1;
}
void libusb_free_device_list(libusb_device**, int) {}
int libusb_get_device_descriptor(libusb_device*, libusb_device_descriptor* descriptor) {
  *descriptor = {};
  descriptor->idVendor = 0x0403;
  descriptor->idProduct = 0x6001;
  descriptor->iProduct = 1;
  descriptor->iSerialNumber = 2;
  return 0;
}
int libusb_open(libusb_device*, libusb_device_handle** opened) {
  *opened = reinterpret_cast<libusb_device_handle*>(&handle);
  return 0;
}
void libusb_close(libusb_device_handle*) {}
int libusb_get_string_descriptor_ascii(libusb_device_handle*, uint8_t index, unsigned char* text,
                                       int) {
  const std::string string = index == 1 ? "FT232R USB UART" : "A50285BI";
  return static_cast<int>(string.copy(reinterpret_cast<char*>(text), string.size()));
}
uint8_t libusb_get_bus_number(libusb_device*) { return 1; }
uint8_t libusb_get_device_address(libusb_device*) { return 2; }
int libusb_get_port_numbers(libusb_device*, uint8_t*, int) { return 0; }
int libusb_control_transfer(libusb_device_handle*, uint8_t, uint8_t, uint16_t, uint16_t,
                            unsigned char*, uint16_t, unsigned int) {
  return 0;
}
int libusb_bulk_transfer(libusb_device_handle*, unsigned char, unsigned char*, int length,
                         int* sent, unsigned int) {
  *sent = length - shortfall;
  return 0;
}

namespace {

SAA_ROWS_TEST(LibftdiAdapter, FailsATransferThatLeftSamplesBehind, "ftdi_short_write.txt",
              short_by) {
  shortfall = std::stoi(short_by);
  bus::FtdiPort port{std::make_unique<bus::LibftdiAdapter>(), {}};
  return support::failure_of([&] { support::send_words(port, "1@60"); });
}

}  // namespace

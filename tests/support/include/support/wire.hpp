#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bus/inpout.hpp"

namespace support {

// The standard parallel port's data register (0x378; its control register is 0x37a), as the
// golden files write it: written here once, and not taken from the program.
inline constexpr int kStandardData = 888;

// What reached the port and the bus wait, in order, a line each: "bind" (the port bound),
// "out 888 136" (136 written to I/O address 888), "spin 100" (100 empty loop iterations).
std::vector<std::string>& wire();

// Stands in for the busy loop: notes the count on the wire instead of spinning.
void counting_spin(std::int32_t count);

// Notes every bind and write on the wire, and hands it on to `inner` when there is one.
class RecordingPort : public bus::Port {
 public:
  explicit RecordingPort(bus::Port* inner = nullptr) : inner_(inner) {}
  std::string name() const override { return "recording port"; }
  std::string label() const override { return "recorder"; }
  void bind() override;
  void write(bus::Register target, std::uint8_t value) override;

 private:
  bus::Port* inner_;
};

// Sends each word at its bus speed (iDel) to `port`, through the port library and the
// transmitter, waits counted, telling `heard` of each. `words` as the golden files write them:
// "WORD@IDEL ...", "rest@IDEL" bringing the lines to rest as start-up's last step does; "10@100"
// is the transmission of send_10.txt.
void send_words(bus::Port& port, const std::string& words, const bus::Inpout::WordSent& heard = {});

}  // namespace support

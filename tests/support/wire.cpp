#include "support/wire.hpp"

#include "bus/transmitter.hpp"
#include "support/golden.hpp"

namespace support {

std::vector<std::string>& wire() {
  static std::vector<std::string> lines;
  return lines;
}

void counting_spin(std::int32_t count) { wire().push_back("spin " + std::to_string(count)); }

void RecordingPort::bind() {
  wire().push_back("bind");
  if (inner_) inner_->bind();
}

void RecordingPort::write(bus::Register target, std::uint8_t value) {
  // As the golden files write it: the standard port's address that Out32 was given.
  const int address = target == bus::Register::data ? kStandardData : kStandardData + 2;
  wire().push_back("out " + std::to_string(address) + " " + std::to_string(value));
  if (inner_) inner_->write(target, value);
}

void send_words(bus::Port& port, const std::string& words, const bus::Inpout::WordSent& heard) {
  bus::Inpout library{port};
  if (heard) library.on_word_sent(heard);
  bus::BusSettings settings{kStandardData, 0};
  const bus::Transmitter transmitter{settings, library, counting_spin};
  for (const auto& sent : split(words, " ")) {
    const auto at = sent.find('@');
    settings.iDel = std::stoi(sent.substr(at + 1));
    const auto word = sent.substr(0, at);
    word == "rest" ? transmitter.rest_lines() : transmitter.Send(word);
  }
}

}  // namespace support

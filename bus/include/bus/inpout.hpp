#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "bus/port.hpp"

namespace bus {

// The program's port library as the program calls it: Out32 with 16-bit signed arguments, the
// low byte of the value going to the register. Not the library itself, which is one back end
// among others: this is the boundary where the standard port's addresses become registers of a
// bus::Port; any other address is refused. The port is bound lazily, at the first write, so a
// missing port surfaces inside the first event procedure that transmits.
class Inpout {
 public:
  explicit Inpout(Port& port) : port_(port) {}

  void Out32(std::int16_t port, std::int16_t value);

  // The bus wait and the end of a transmission, for a port that paces the bus itself.
  bool hold(std::int32_t delay_count) { return port_.hold(delay_count); }
  void flush() { port_.flush(); }

  // Who hears of each word once it is on the wire and loaded: the lock watch, which reads the
  // chip's answer to it.
  using WordSent = std::function<void(std::string_view word)>;
  void on_word_sent(WordSent heard) { heard_.push_back(std::move(heard)); }
  void word_sent(std::string_view word) {
    for (const auto& heard : heard_) heard(word);
  }

 private:
  Port& port_;
  bool bound_ = false;
  std::vector<WordSent> heard_;
};

}  // namespace bus

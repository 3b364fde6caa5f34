#include "bus/recording_port.hpp"

namespace bus {

void RecordingPort::write(std::uint16_t address, std::uint8_t value) {
  writes_.push_back({address, value});
}

}  // namespace bus

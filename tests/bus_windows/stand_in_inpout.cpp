// Stands in for the port-I/O library: Out32 and Inp32 note each call, "Out32 888 136" or
// "Inp32 889 64" (what it answered), in the file STAND_IN_INPOUT_LOG names. Inp32 answers
// STAND_IN_INPOUT_STATUS ("0x40"), 0 without it.
// With STAND_IN_INPOUT_MODEL naming a port's base ("0x378"), the writes to that port's data and
// control registers drive the simulated chip (sim/), and a read of its status register answers
// the chip's test pin on the default lock pin, nAck, the other bits as STAND_IN_INPOUT_STATUS
// has them: a sweep under Wine finds the model's lock range.
// The C++ runtime is linked in, so that the library needs none beside it.
#include <cstdlib>
#include <optional>

#include "sim/simulated_synthesizer.hpp"
#include "stand_in.hpp"

namespace {

// Read between Wine's turns, which on a busy machine come too far apart to see 0.2 ms pulses:
// a board with the filter on its lock line.
sim::SimulatedSynthesizer& chip() {
  static sim::SimulatedSynthesizer chip{true, sim::SimulatedSynthesizer::Time::machine,
                                        sim::InLock::filtered};
  return chip;
}

void note(const char* call, short port, short value) {
  const auto address = std::to_string(static_cast<unsigned short>(port));
  stand_in::note("INPOUT_LOG", std::string(call) + " " + address + " " + std::to_string(value));
}

// The port as a PC has it, written here rather than taken from the program: the data register at
// the base, status at +1 with pin 10 (nAck), the default lock pin, as bit 6, control at +2.
constexpr std::uint16_t kStatus = 1, kControl = 2;
constexpr short kNAck = 0x40;

// How far `port` lies from the modelled port's base; none unless the test asks for the model.
std::optional<std::uint16_t> from_model_base(short port) {
  static const auto base = stand_in::setting("INPOUT_MODEL");
  if (base.empty()) return std::nullopt;
  return static_cast<std::uint16_t>(port - std::strtol(base.c_str(), nullptr, 0));
}

}  // namespace

extern "C" {

void __stdcall Out32(short port, short value) {
  note("Out32", port, value);
  if (const auto offset = from_model_base(port); offset == 0 || offset == kControl) {
    chip().write(offset == 0 ? bus::Register::data : bus::Register::control,
                 static_cast<std::uint8_t>(value));
  }
}

short __stdcall Inp32(short port) {
  auto answer =
      static_cast<short>(std::strtol(stand_in::setting("INPOUT_STATUS").c_str(), nullptr, 0));
  if (from_model_base(port) == kStatus)
    answer = static_cast<short>(chip().lock_level() ? answer | kNAck : answer & ~kNAck);
  note("Inp32", port, answer);
  return answer;
}
}

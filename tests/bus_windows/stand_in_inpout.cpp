// Stands in for the port-I/O library: Out32 notes every write and Inp32 every read, in order, for
// the test to read; with STAND_IN_INPOUT_LOG set, also in that file, for a test that runs the
// program. Inp32 answers what the test last gave StandInSetStatus.
// With STAND_IN_INPOUT_MODEL naming a port's base ("0x378"), the writes to that port's data and
// control registers drive the simulated chip (sim/), and a read of its status register answers
// the chip's test pin on the default lock pin, nAck, the other bits as StandInSetStatus left
// them: a sweep under Wine finds the model's lock range.
// The C++ runtime is linked in, so that the library needs none beside it.
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "bus/port_addresses.hpp"
#include "bus/wiring.hpp"
#include "sim/simulated_synthesizer.hpp"

namespace {

// Read between Wine's turns, which on a busy machine come too far apart to see 0.2 ms pulses:
// a board with the filter on its lock line.
sim::SimulatedSynthesizer& chip() {
  static sim::SimulatedSynthesizer chip{true, sim::SimulatedSynthesizer::Time::machine,
                                        sim::InLock::filtered};
  return chip;
}
char received[8192];
int length = 0;
short status = 0;

std::FILE* log = nullptr;
bool log_opened = false;

std::FILE* log_file() {
  if (!log_opened) {
    log_opened = true;
    const char* path = std::getenv("STAND_IN_INPOUT_LOG");
    if (path) log = std::fopen(path, "wb");
  }
  return log;
}

// Notes "CALL port value".
void note(const char* call, short port, short value) {
  if (std::FILE* file = log_file()) {
    std::fprintf(file, "%s %u %d\n", call, static_cast<unsigned short>(port), value);
    std::fflush(file);
  }
  if (length > static_cast<int>(sizeof received) - 32) return;
  length += std::snprintf(received + length, sizeof received - static_cast<unsigned>(length),
                          "%s %u %d\n", call, static_cast<unsigned short>(port), value);
}

// The base of the port whose writes drive the chip; none unless the test asks for the model.
std::optional<std::uint16_t> model_base() {
  static const std::optional<std::uint16_t> base = []() -> std::optional<std::uint16_t> {
    const char* text = std::getenv("STAND_IN_INPOUT_MODEL");
    if (!text) return std::nullopt;
    return static_cast<std::uint16_t>(std::strtoul(text, nullptr, 0));
  }();
  return base;
}

void drive_chip(short port, short value) {
  const auto base = model_base();
  if (!base) return;
  for (const auto target : {bus::Register::data, bus::Register::control}) {
    if (static_cast<std::uint16_t>(port) == bus::address_of(target, *base)) {
      chip().write(target, static_cast<std::uint8_t>(value));
    }
  }
}

// The status register as read now: the chip's test pin on the lock pin, when it is modelled.
short status_at(short port) {
  const auto base = model_base();
  if (!base || static_cast<std::uint16_t>(port) !=
                   static_cast<std::uint16_t>(*base + bus::kStatusRegisterOffset)) {
    return status;
  }
  const auto pin = *bus::status_pin(bus::kDefaultLockPin);
  const bool bit_set = chip().lock_level() != pin.inverted;
  return static_cast<short>(bit_set ? status | pin.bit : status & ~pin.bit);
}
}  // namespace

extern "C" {

void __stdcall Out32(short port, short value) {
  note("Out32", port, value);
  drive_chip(port, value);
}

short __stdcall Inp32(short port) {
  const short answer = status_at(port);
  note("Inp32", port, answer);
  return answer;
}

// The calls so far, a line each: "Out32 888 136", "Inp32 889 64" (what it answered).
const char* StandInReceived() { return received; }

void StandInSetStatus(short value) { status = value; }
}

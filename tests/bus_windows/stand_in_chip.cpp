#include "stand_in_chip.hpp"

#include <windows.h>

namespace stand_in {

namespace {

class PerformanceCounter : public bus::Clock {
 public:
  PerformanceCounter() { QueryPerformanceFrequency(&frequency_); }

  std::chrono::nanoseconds now() const override {
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    const auto per_second = frequency_.QuadPart;
    // In two parts, so that a counter running for days does not overflow.
    return std::chrono::seconds(count.QuadPart / per_second) +
           std::chrono::nanoseconds(count.QuadPart % per_second * 1'000'000'000 / per_second);
  }
  // The chip only reads the time; nothing waits here.
  void pause(std::chrono::nanoseconds length) override {
    Sleep(static_cast<DWORD>(std::chrono::ceil<std::chrono::milliseconds>(length).count()));
  }

 private:
  LARGE_INTEGER frequency_;
};

}  // namespace

sim::SimulatedSynthesizer& chip() {
  static PerformanceCounter counter;
  static sim::SimulatedSynthesizer chip{true, counter};
  return chip;
}

}  // namespace stand_in

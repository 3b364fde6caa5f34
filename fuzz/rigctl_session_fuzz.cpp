// Feeds arbitrary bytes, in arbitrary pieces, to one rigctld session. It must never crash, tune
// outside the slider's range, or leave a command unanswered once its line is complete.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "rigctl/session.hpp"
#include "words/word_a.hpp"

namespace {

class CheckingTuner : public rigctl::Tuner {
 public:
  std::int32_t divider() const override { return divider_; }
  void tune(std::int32_t divider) override {
    if (divider < words::kLowestDivider || divider > words::kHighestDivider) std::abort();
    divider_ = divider;
  }

 private:
  std::int32_t divider_ = 11690;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CheckingTuner tuner;
  rigctl::Session session{tuner};
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // The first byte decides how the rest is cut into reads.
  const std::size_t piece = size ? 1 + data[0] % 64 : 1;
  for (std::size_t at = 0; at < bytes.size(); at += piece) {
    if (session.feed(bytes.substr(at, piece)).close) break;
  }
  return 0;
}

#include "support/counting_spin.hpp"

namespace support {

std::vector<std::int32_t>& spins() {
  static std::vector<std::int32_t> recorded;
  return recorded;
}

void counting_spin(std::int32_t count) { spins().push_back(count); }

long long spun_iterations() {
  long long total = 0;
  for (const auto count : spins()) total += count > 0 ? count : 0;
  return total;
}

}  // namespace support

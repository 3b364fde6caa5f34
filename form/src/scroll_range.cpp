#include "form/scroll_range.hpp"

#include <algorithm>
#include <array>

#include "words/word_a.hpp"

namespace form {

namespace {

constexpr std::array<ScrollRange, 2> kRanges{{
    {Control::hscDiv, words::kLowestDivider, words::kHighestDivider, 10, 100, 9820},
    {Control::scvDel, 50, 1000, 1, 40, 100},
}};

}  // namespace

std::span<const ScrollRange> scroll_ranges() { return kRanges; }

const ScrollRange& scroll_range(Control control) {
  return *std::ranges::find(kRanges, control, &ScrollRange::control);
}

}  // namespace form

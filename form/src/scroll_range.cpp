#include "form/scroll_range.hpp"

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

}  // namespace form

#include "words/word_b.hpp"

#include <algorithm>

namespace words {

std::string compose_word_b(const WordBSettings& s) {
  return "11" + std::to_string(s.iREFH) + s.sCurrent + "1" + std::to_string(s.iSLA) + s.sPhase +
         std::to_string(s.iBRM) + s.sTest;
}

std::optional<std::string_view> code_at(std::span<const ListRow> rows, int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= rows.size()) return std::nullopt;
  return rows[static_cast<std::size_t>(index)].code;
}

std::optional<std::string_view> item_for(std::span<const ListRow> rows, std::string_view code) {
  const auto row = std::ranges::find(rows, code, &ListRow::code);
  if (row == rows.end()) return std::nullopt;
  return row->item;
}

std::string_view toggle(std::int16_t& flag, const ToggleTexts& texts) {
  if (flag == 1) {
    flag = 0;
    return texts.off;
  }
  flag = 1;
  return texts.on;
}

}  // namespace words

#include "words/word_b.hpp"

#include <algorithm>

#include "words/frame.hpp"

namespace words {

std::string compose_word_b(const WordBSettings& s) {
  using namespace word_b_layout;
  std::string word(kWordBits, '0');
  const auto put = [&word](Field field, std::string_view text) {
    word.replace(field.first, field.length, text);
  };
  // Right to left, so that a setting of another length shifts only what follows it, as joining
  // the texts would.
  put(kTest, s.sTest);
  put(kBRM, std::to_string(s.iBRM));
  put(kPhase, s.sPhase);
  put(kSLA, std::to_string(s.iSLA));
  put(kFixedOne, "1");
  put(kCurrent, s.sCurrent);
  put(kREFH, std::to_string(s.iREFH));
  put(kMarker, "11");
  return word;
}

std::string_view field_of(std::string_view word, Field field) {
  return word.substr(field.first, field.length);
}

bool is_word_b(std::string_view word) {
  using namespace word_b_layout;
  return word.size() == kWordBits && field_of(word, kMarker) == "11" &&
         field_of(word, kFixedOne) == "1";
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

namespace {

int row_for(std::span<const ListRow> rows, std::string_view code) {
  const auto row = std::ranges::find(rows, code, &ListRow::code);
  return row == rows.end() ? -1 : static_cast<int>(row - rows.begin());
}

}  // namespace

WordBChoice choice_of(const WordBSettings& settings) {
  return {settings.iREFH == 1,
          settings.iSLA == 1,
          settings.iBRM == 1,
          row_for(kCurrentRows, settings.sCurrent),
          row_for(kPhaseRows, settings.sPhase),
          row_for(kTestRows, settings.sTest)};
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

#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "words/word_b_choice.hpp"

namespace words {

// The six auxiliary settings that Word B carries.
struct WordBSettings {
  std::int16_t iREFH = 0;
  std::string sCurrent;  // 4 characters
  std::int16_t iSLA = 0;
  std::string sPhase;  // 2 characters
  std::int16_t iBRM = 0;
  std::string sTest;  // 4 characters
};

// Where a field sits in Word B: its first character (0 for the first sent) and its length.
struct Field {
  std::size_t first;
  std::size_t length;
};

// Word B's layout, which composing and decoding both read:
//   1-2 "11" | 3 REFH | 4-7 current | 8 "1" | 9 SLA | 10-11 phase | 12 BRM | 13-16 test
namespace word_b_layout {
inline constexpr Field kMarker{0, 2};  // "11"
inline constexpr Field kREFH{2, 1};
inline constexpr Field kCurrent{3, 4};
inline constexpr Field kFixedOne{7, 1};  // "1"
inline constexpr Field kSLA{8, 1};
inline constexpr Field kPhase{9, 2};
inline constexpr Field kBRM{11, 1};
inline constexpr Field kTest{12, 4};
}  // namespace word_b_layout

std::string compose_word_b(const WordBSettings& settings);

// The text of `field` in `word`.
std::string_view field_of(std::string_view word, Field field);

// Whether a 16-bit control word is Word B: "11" first and the fixed "1" in place.
bool is_word_b(std::string_view word);

// One row of a list box: the item it shows and the code it puts into Word B.
struct ListRow {
  std::string_view item;
  std::string_view code;
};

inline constexpr std::array<ListRow, 5> kCurrentRows{{
    {"0.023", "0000"},
    {"0.07", "0001"},
    {"0.23", "0010"},
    {"0.7", "0110"},
    {"2.3", "1110"},
}};

inline constexpr std::array<ListRow, 3> kPhaseRows{{
    {"Automatic off", "00"},
    {"On", "10"},
    {"Off", "11"},
}};

inline constexpr std::array<ListRow, 4> kTestRows{{
    {"1", "0000"},
    {"Reference frequency", "0100"},
    {"Output  programmable counter", "0001"},
    {"Output in-lock counter", "0101"},
}};

// The test-pin functions the lock watch tells apart.
inline constexpr std::string_view kTestHigh = kTestRows[0].code;
inline constexpr std::string_view kTestReference = kTestRows[1].code;
inline constexpr std::string_view kTestCounter = kTestRows[2].code;
inline constexpr std::string_view kTestInLock = kTestRows[3].code;

// The code of the row at `index`; no code for an index the table lacks (-1: nothing selected).
std::optional<std::string_view> code_at(std::span<const ListRow> rows, int index);

// The item of the row whose code is `code`; none for a code the table lacks.
std::optional<std::string_view> item_for(std::span<const ListRow> rows, std::string_view code);

// The settings of a Word B composed from `settings`, as the window's controls give them: each
// list's row is the one whose code it carries (-1 for a code no row has).
WordBChoice choice_of(const WordBSettings& settings);

// The label texts of a toggle, for the flag at 0 and at 1.
struct ToggleTexts {
  std::string_view off;
  std::string_view on;
};

inline constexpr ToggleTexts kREFHTexts{"1 Khz Reference frequency",
                                        "1.25 Khz Reference frequency"};
inline constexpr ToggleTexts kSLATexts{"Load mode - asynchronous", "Load mode - synchronous"};
inline constexpr ToggleTexts kBRMTexts{"Current always on", "Current switched"};

// A flag at 1 becomes 0; any other value becomes 1. Returns the label text for the new value.
std::string_view toggle(std::int16_t& flag, const ToggleTexts& texts);

}  // namespace words

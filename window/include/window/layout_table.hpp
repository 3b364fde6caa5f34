#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "form/control.hpp"
#include "form/event.hpp"
#include "words/word_b.hpp"

namespace window {

enum class ControlKind { frame, text_box, label, button, list_box, hscroll, vscroll };

// How a control looks where it differs from the window's default font and colours.
enum class Look {
  plain,
  word_box,         // Word A and Word B: the bold system font on red
  divider_box,      // the bold system font, right-aligned
  frequency_box,    // the bold terminal font in blue
  large_caption,    // "MHz"
  information_line  // one line, never wrapped
};

// What a screen reader is told a control is, where Qt's guess from the widget would fall short.
enum class SpokenRole {
  usual,
  spin_button,  // a value that speaks as text: a slider's value is only ever a number on AT-SPI
  slider,
  status  // the information line, which also tells each new lock verdict once
};

// What a slider's value says.
enum class SpokenValue { none, number, tuning /* "106.2 MHz, N 11690" */ };

// Its name: `name`, else the caption of the label `labelled_by`, else its own caption. The
// description: `description`, else the caption of the label `described_by`, as it changes.
struct Speech {
  std::string_view name = {};
  std::string_view labelled_by = {};
  std::string_view described_by = {};
  std::string_view description = {};
  SpokenRole role = SpokenRole::usual;
  SpokenValue value = SpokenValue::none;
};

// One control of the window; geometry in twips within its container.
struct LayoutRow {
  std::string_view name;
  ControlKind kind;
  std::string_view container;  // "" for the window itself
  int left;
  int top;
  int width;
  int height;
  int tab_index;
  std::string_view text;  // caption or initial text; empty where the logic fills it
  std::optional<form::Control> control = {};   // how the form logic reaches it, if it does
  std::optional<form::Event> event = {};       // what its click, selection or value change raises
  std::span<const words::ListRow> items = {};  // a list box's rows
  Look look = Look::plain;
  Speech speech = {};
};

inline constexpr int kClientWidthTwips = 5085;
inline constexpr int kClientHeightTwips = 5445;

// In creation order: every container before the controls it holds.
std::span<const LayoutRow> layout_rows();

// The row of the control `name`.
const LayoutRow& layout_row(std::string_view name);

// What a screen reader calls the control of `row`, and how it first describes it.
std::string_view spoken_name(const LayoutRow& row);
std::string_view spoken_description(const LayoutRow& row);

}  // namespace window

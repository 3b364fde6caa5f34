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
};

inline constexpr int kClientWidthTwips = 5085;
inline constexpr int kClientHeightTwips = 5445;

// In creation order: every container before the controls it holds.
std::span<const LayoutRow> layout_rows();

}  // namespace window

#pragma once

#include <span>
#include <string_view>

namespace window {

enum class ControlKind { frame, text_box, label, button, list_box, hscroll, vscroll };

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
};

inline constexpr int kClientWidthTwips = 5085;
inline constexpr int kClientHeightTwips = 5445;

// In creation order: every container before the controls it holds.
std::span<const LayoutRow> layout_rows();

}  // namespace window

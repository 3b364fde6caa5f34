#include "window/layout_table.hpp"

#include <algorithm>
#include <array>

namespace window {

namespace {

using C = form::Control;
using E = form::Event;
using K = ControlKind;
using R = SpokenRole;
using V = SpokenValue;

constexpr std::string_view kBits = "16 bits, the first sent first";

// One row a control, laid out as a table.
// clang-format off
constexpr std::array<LayoutRow, 25> kControls{{
    {"Frame2", K::frame, "", 420, 120, 3435, 1635, 2, "Word 'A'"},
    {"txtFM", K::text_box, "Frame2", 600, 300, 1095, 375, 3, "", C::txtFM, E::txtFM_Enter, {},
     Look::frequency_box,
     {.name = "Frequency, MHz", .description = "Enter tunes to the frequency typed"}},
    {"Label4", K::label, "Frame2", 1860, 300, 855, 435, 17, "MHz", {}, {}, {}, Look::large_caption},
    {"hscDiv", K::hscroll, "Frame2", 240, 780, 2115, 195, 20, "", C::hscDiv, E::hscDiv_Change, {},
     Look::plain, {.labelled_by = "Label7", .role = R::spin_button, .value = V::tuning}},
    {"Label7", K::label, "Frame2", 2700, 780, 615, 195, 19, "Div (N)"},
    {"txtA", K::text_box, "Frame2", 120, 1080, 2115, 375, 4, "", C::txtA, {}, {},
     Look::word_box, {.name = "Word 'A'", .description = kBits}},
    {"txtDiv", K::text_box, "Frame2", 2580, 1080, 735, 375, 18, "", C::txtDiv, E::txtDiv_Enter, {},
     Look::divider_box,
     {.labelled_by = "Label7", .description = "Enter tunes to the divider typed"}},
    {"Frame1", K::frame, "", 420, 1920, 4215, 2955, 1, "Word 'B'"},
    {"cmdREFH", K::button, "Frame1", 240, 240, 915, 255, 6, "REFH", {}, E::cmdREFH_Click, {},
     Look::plain, {.described_by = "lblREFH"}},
    {"lblREFH", K::label, "Frame1", 1620, 300, 2175, 255, 14, words::kREFHTexts.off, C::lblREFH},
    {"lstCurrent", K::list_box, "Frame1", 240, 600, 915, 255, 9, "", C::lstCurrent,
     E::lstCurrent_Click, words::kCurrentRows, Look::plain, {.labelled_by = "Label1"}},
    {"Label1", K::label, "Frame1", 1620, 600, 1095, 255, 5, "Current (mA)"},
    {"cmdSLA", K::button, "Frame1", 240, 960, 915, 255, 7, "SLA", {}, E::cmdSLA_Click, {},
     Look::plain, {.described_by = "lblSLA"}},
    {"lblSLA", K::label, "Frame1", 1620, 960, 2055, 255, 15, words::kSLATexts.off, C::lblSLA},
    {"lstPhase", K::list_box, "Frame1", 240, 1320, 1335, 255, 8, "", C::lstPhase,
     E::lstPhase_Click, words::kPhaseRows, Look::plain, {.labelled_by = "Label2"}},
    {"Label2", K::label, "Frame1", 1620, 1320, 1815, 255, 10, "Phase detector mode"},
    {"cmdBRM", K::button, "Frame1", 240, 1680, 915, 255, 11, "BRM", {}, E::cmdBRM_Click, {},
     Look::plain, {.described_by = "lblBRM"}},
    {"lblBRM", K::label, "Frame1", 1320, 1680, 1515, 255, 16, words::kBRMTexts.off, C::lblBRM},
    {"lstTest", K::list_box, "Frame1", 240, 2040, 2475, 255, 12, "", C::lstTest,
     E::lstTest_Click, words::kTestRows, Look::plain, {.labelled_by = "Label3"}},
    {"Label3", K::label, "Frame1", 2820, 2040, 1155, 255, 13, "Test pin"},
    {"txtB", K::text_box, "Frame1", 240, 2460, 2175, 375, 0, "", C::txtB, {}, {},
     Look::word_box, {.name = "Word 'B'", .description = kBits}},
    {"cmdSend", K::button, "Frame1", 2640, 2460, 1395, 315, 21, "Send Word 'B'", {},
     E::cmdSend_Click},
    {"scvDel", K::vscroll, "", 4200, 600, 195, 1155, 22, "", C::scvDel, E::scvDel_Change, {},
     Look::plain, {.labelled_by = "Label5", .role = R::slider, .value = V::number}},
    {"Label5", K::label, "", 4500, 960, 435, 435, 23, "Buss  speed"},
    {"Label6", K::label, "", 420, 5040, 2115, 255, 24, "", {}, {}, {}, Look::information_line,
     {.role = R::status}},
}};
// clang-format on

}  // namespace

std::span<const LayoutRow> layout_rows() { return kControls; }

const LayoutRow& layout_row(std::string_view name) {
  return *std::ranges::find(kControls, name, &LayoutRow::name);
}

std::string_view spoken_name(const LayoutRow& row) {
  if (!row.speech.name.empty()) return row.speech.name;
  return row.speech.labelled_by.empty() ? row.text : layout_row(row.speech.labelled_by).text;
}

std::string_view spoken_description(const LayoutRow& row) {
  if (row.speech.described_by.empty()) return row.speech.description;
  return layout_row(row.speech.described_by).text;
}

}  // namespace window

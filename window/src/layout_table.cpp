#include "window/layout_table.hpp"

#include <array>

namespace window {

namespace {

using C = form::Control;
using E = form::Event;
using K = ControlKind;

constexpr std::array<LayoutRow, 25> kControls{{
    {"Frame2", K::frame, "", 420, 120, 3435, 1635, 2, "Word 'A'"},
    {"txtFM",
     K::text_box,
     "Frame2",
     600,
     300,
     1095,
     375,
     3,
     "",
     C::txtFM,
     E::txtFM_Enter,
     {},
     Look::frequency_box},
    {"Label4", K::label, "Frame2", 1860, 300, 855, 435, 17, "MHz", {}, {}, {}, Look::large_caption},
    {"hscDiv", K::hscroll, "Frame2", 240, 780, 2115, 195, 20, "", C::hscDiv, E::hscDiv_Change},
    {"Label7", K::label, "Frame2", 2700, 780, 615, 195, 19, "Div (N)"},
    {"txtA", K::text_box, "Frame2", 120, 1080, 2115, 375, 4, "", C::txtA, {}, {}, Look::word_box},
    {"txtDiv",
     K::text_box,
     "Frame2",
     2580,
     1080,
     735,
     375,
     18,
     "",
     C::txtDiv,
     E::txtDiv_Enter,
     {},
     Look::divider_box},
    {"Frame1", K::frame, "", 420, 1920, 4215, 2955, 1, "Word 'B'"},
    {"cmdREFH", K::button, "Frame1", 240, 240, 915, 255, 6, "REFH", {}, E::cmdREFH_Click},
    {"lblREFH", K::label, "Frame1", 1620, 300, 2175, 255, 14, words::kREFHTexts.off, C::lblREFH},
    {"lstCurrent", K::list_box, "Frame1", 240, 600, 915, 255, 9, "", C::lstCurrent,
     E::lstCurrent_Click, words::kCurrentRows},
    {"Label1", K::label, "Frame1", 1620, 600, 1095, 255, 5, "Current (mA)"},
    {"cmdSLA", K::button, "Frame1", 240, 960, 915, 255, 7, "SLA", {}, E::cmdSLA_Click},
    {"lblSLA", K::label, "Frame1", 1620, 960, 2055, 255, 15, words::kSLATexts.off, C::lblSLA},
    {"lstPhase", K::list_box, "Frame1", 240, 1320, 1335, 255, 8, "", C::lstPhase, E::lstPhase_Click,
     words::kPhaseRows},
    {"Label2", K::label, "Frame1", 1620, 1320, 1815, 255, 10, "Phase detector mode"},
    {"cmdBRM", K::button, "Frame1", 240, 1680, 915, 255, 11, "BRM", {}, E::cmdBRM_Click},
    {"lblBRM", K::label, "Frame1", 1320, 1680, 1515, 255, 16, words::kBRMTexts.off, C::lblBRM},
    {"lstTest", K::list_box, "Frame1", 240, 2040, 2475, 255, 12, "", C::lstTest, E::lstTest_Click,
     words::kTestRows},
    {"Label3", K::label, "Frame1", 2820, 2040, 1155, 255, 13, "Test pin"},
    {"txtB", K::text_box, "Frame1", 240, 2460, 2175, 375, 0, "", C::txtB, {}, {}, Look::word_box},
    {"cmdSend",
     K::button,
     "Frame1",
     2640,
     2460,
     1395,
     315,
     21,
     "Send Word 'B'",
     {},
     E::cmdSend_Click},
    {"scvDel", K::vscroll, "", 4200, 600, 195, 1155, 22, "", C::scvDel, E::scvDel_Change},
    {"Label5", K::label, "", 4500, 960, 435, 435, 23, "Buss  speed"},
    {"Label6", K::label, "", 420, 5040, 2115, 255, 24, "", {}, {}, {}, Look::information_line},
}};

}  // namespace

std::span<const LayoutRow> layout_rows() { return kControls; }

}  // namespace window

#include "headless/headless_form.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "support/wire.hpp"

namespace {

// A divider beyond the slider's ends is held at the end, as the window's slider holds it: the
// chip gets N 13070 (120 MHz) or N 7370 (63 MHz), never a word outside the band; a move to the
// end it is already at sends nothing.
TEST(HeadlessForm, ADividerBeyondTheSliderIsHeldAtItsEnd) {
  struct Case {
    int asked;
    int held;
    const char* word;
  };
  for (const Case& row : {Case{20000, 13070, "0011001100001110"}, Case{13080, 13070, ""},
                          Case{-5, 7370, "0001110011001010"}, Case{7360, 7370, ""}}) {
    support::RecordingPort port;
    bus::Inpout library{port};
    std::ostringstream log;
    headless::HeadlessForm form{library, log, nullptr};
    form.load();
    if (!*row.word) form.panel().tune(row.held);
    log.str("");
    form.panel().tune(row.asked);
    EXPECT_EQ(form.value(form::Control::hscDiv), row.held) << row.asked;
    const std::string logged = log.str();
    EXPECT_EQ(logged.substr(0, logged.find(" sent")),
              *row.word ? std::string("Word A ") + row.word : "")
        << row.asked;
  }
}

}  // namespace

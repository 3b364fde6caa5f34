#include "headless/headless_form.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "support/wire.hpp"

namespace {

// A divider beyond the slider's ends is held at the end, as the window's slider holds it: below
// the band the chip gets N 7370 (63 MHz), once. The top end is web.http_checks', through the
// real program.
TEST(HeadlessForm, ADividerBeyondTheSliderIsHeldAtItsEnd) {
  struct Case {
    int asked;
    int held;
    const char* word;
  };
  for (const Case& row : {Case{-5, 7370, "0001110011001010"}, Case{7360, 7370, ""}}) {
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

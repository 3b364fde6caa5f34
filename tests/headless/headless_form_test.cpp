#include "headless/headless_form.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/wire.hpp"

namespace {

// The control set on the recorder, its log kept, the fatal errors it reports noted.
struct Headless {
  support::RecordingPort port;
  bus::Inpout library{port};
  std::ostringstream log;
  std::vector<std::string> reports;
  headless::HeadlessForm form{library, log,
                              [this](const std::string& message) { reports.push_back(message); }};
};

// A divider beyond the slider's ends is held at the end, as the window's slider holds it: below
// the band the chip gets N 7370 (63 MHz), once. The top end is web.http_checks', through the
// real program.
TEST(HeadlessForm, ADividerBeyondTheSliderIsHeldAtItsEnd) {
  Headless headless;
  headless.form.load();
  for (const auto& [asked, logged] : {std::pair{-5, "Word A 0001110011001010"}, {7360, ""}}) {
    headless.log.str("");
    headless.form.panel().tune(asked);
    EXPECT_EQ(headless.form.value(form::Control::hscDiv), 7370) << asked;
    const std::string log = headless.log.str();
    EXPECT_EQ(log.substr(0, log.find(" sent")), logged) << asked;
  }
}

// A log line that cannot be written (standard output's reader gone) ends the panel: its failure
// is reported once, and nothing more is sent. The start-up line is logged inside start-up's
// event, Word B's after its event.
TEST(HeadlessForm, ALogLineThatCannotBeWrittenFailsThePanel) {
  for (const bool from_start_up : {true, false}) {
    Headless headless;
    if (from_start_up) headless.log.setstate(std::ios::badbit);
    headless.form.load();
    headless.log.setstate(std::ios::badbit);
    words::WordBChoice choice;
    choice.refh = true;
    headless.form.send_word_b(choice);
    EXPECT_TRUE(headless.form.failed()) << from_start_up;
    EXPECT_EQ(headless.reports,
              std::vector<std::string>{"Cannot write the log to standard output. Give --headless a "
                                       "standard output that is open and read."})
        << from_start_up;
    support::wire().clear();
    headless.form.panel().tune(11070);
    EXPECT_TRUE(support::wire().empty()) << from_start_up << ": sent after the failure";
  }
}

}  // namespace

#include "headless/headless_form.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

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

// A log that takes `lines` lines, then fails every write, as standard output does once its
// reader has gone.
class FailingLog : public std::streambuf {
 public:
  explicit FailingLog(int lines) : lines_(lines) {}

 protected:
  int_type overflow(int_type c) override {
    if (lines_ == 0) return traits_type::eof();
    if (c == '\n') --lines_;
    return traits_type::not_eof(c);
  }

 private:
  int lines_;
};

// The line that cannot be written ends the panel: its failure is reported once, and nothing more
// is sent. The start-up line is logged inside start-up's event, Word B's after its event.
TEST(HeadlessForm, ALogLineThatCannotBeWrittenFailsThePanel) {
  for (const int lines : {0, 1}) {
    support::RecordingPort port;
    bus::Inpout library{port};
    FailingLog buffer{lines};
    std::ostream log{&buffer};
    std::vector<std::string> reports;
    headless::HeadlessForm form{
        library, log, [&reports](const std::string& message) { reports.push_back(message); }};
    form.load();
    words::WordBChoice choice;
    choice.refh = true;
    form.send_word_b(choice);
    EXPECT_TRUE(form.failed()) << lines;
    EXPECT_EQ(reports,
              std::vector<std::string>{
                  "Cannot write the log to standard output. Give --headless a standard "
                  "output that is open and read."})
        << lines;
    support::wire().clear();
    form.panel().tune(11070);
    EXPECT_TRUE(support::wire().empty()) << lines << ": sent after the failure";
  }
}

}  // namespace

#include "form/form1.hpp"

#include <gtest/gtest.h>

#include "bus/recording_port.hpp"
#include "bus/unavailable_port.hpp"
#include "common/fatal_error.hpp"
#include "fake_controls.hpp"
#include "sim/simulated_synthesizer.hpp"
#include "support/counting_spin.hpp"

namespace {

using form::Control;
using form::Event;

// Both eyes on the wire: the exact writes, and what the chip makes of them.
class TeePort : public bus::Port {
 public:
  std::string name() const override { return "tee"; }
  void write(std::uint16_t address, std::uint8_t value) override {
    recorder.write(address, value);
    chip.write(address, value);
  }
  bus::RecordingPort recorder;
  sim::SimulatedSynthesizer chip{888};
};

class Form1Test : public ::testing::Test {
 protected:
  Form1Test() { controls.attach(form); }
  void SetUp() override { support::spins().clear(); }

  void load() {
    form.raise(Event::Form_Load);
    port.recorder.clear();
    support::spins().clear();
  }
  long transmissions() const { return port.chip.counts().words_loaded; }
  void tune(int divider) { controls.set_value(Control::hscDiv, divider); }

  TeePort port;
  bus::Inpout library{port};
  fake::Controls controls;
  form::Form1 form{controls, library, support::counting_spin};
};

TEST_F(Form1Test, StateIsZeroAndEmptyBeforeStartUp) {
  const auto& s = form.state();
  EXPECT_EQ(s.iDiv, 0);
  EXPECT_EQ(s.iPort, 0);
  EXPECT_EQ(s.iDel, 0);
  EXPECT_EQ(s.iREFH + s.iSLA + s.iBRM, 0);
  EXPECT_TRUE(s.sCurrent.empty() && s.sPhase.empty() && s.sTest.empty());
  EXPECT_TRUE(s.sWordA.empty() && s.sWordB.empty());
  EXPECT_FALSE(library.bound());
}

TEST_F(Form1Test, StartUpShowsTheStartSettings) {
  form.raise(Event::Form_Load);
  EXPECT_EQ(controls.text(Control::txtFM), "106.2");
  EXPECT_EQ(controls.text(Control::txtDiv), "11690");
  EXPECT_EQ(controls.text(Control::txtA), "0010110110101010");
  EXPECT_EQ(controls.text(Control::txtB), "1100000100000000");
  EXPECT_EQ(controls.text(Control::lblREFH), "1 Khz Reference frequency");
  EXPECT_EQ(form.state().iPort, 888);
  EXPECT_EQ(form.state().iDel, 100);
  EXPECT_EQ(form.state().sWordA, "0010110110101010");
  EXPECT_EQ(form.state().sWordB, "1100000100000000");
}

TEST_F(Form1Test, StartUpTransmitsWordAOnceWithoutPausesThenRestsTheLines) {
  form.raise(Event::Form_Load);
  EXPECT_EQ(transmissions(), 1);
  EXPECT_EQ(port.chip.decoded_word_a()->divider, 11690);
  EXPECT_FALSE(port.chip.word_b());

  const auto& writes = port.recorder.writes();
  ASSERT_EQ(writes.size(), 57u);  // 55 for Word A, then the two of the rest state
  EXPECT_EQ(writes[55], (bus::PortWrite{888, 0}));
  EXPECT_EQ(writes[56], (bus::PortWrite{890, 1}));
  EXPECT_EQ(support::spun_iterations(), 0);
}

TEST_F(Form1Test, StartUpWithTheSliderAlreadyThereTransmitsNothing) {
  fake::Controls at_start;
  at_start.set_value(Control::hscDiv, 11690);
  form::Form1 other{at_start, library, support::counting_spin};
  at_start.attach(other);
  other.raise(Event::Form_Load);
  EXPECT_EQ(transmissions(), 0);
  EXPECT_EQ(port.recorder.writes().size(), 2u);
}

TEST_F(Form1Test, EveryDividerChangeShowsAndTransmitsWordA) {
  load();
  tune(11770);
  EXPECT_EQ(controls.text(Control::txtFM), "107");
  EXPECT_EQ(controls.text(Control::txtDiv), "11770");
  EXPECT_EQ(controls.text(Control::txtA), "0010110111111010");
  EXPECT_EQ(form.state().iDiv, 11770);
  EXPECT_EQ(port.chip.decoded_word_a()->divider, 11770);
  EXPECT_EQ(transmissions(), 2);

  tune(11690);  // back where it started: a change all the same
  tune(11690);  // no change: no transmission
  tune(9821);
  EXPECT_EQ(transmissions(), 4);
  EXPECT_EQ(controls.text(Control::txtFM), "87.51");
  EXPECT_EQ(port.chip.decoded_word_a()->divider, 9821);
}

TEST_F(Form1Test, NoSelectionLeavesTheCodeButStillRecomposes) {
  load();
  controls.select(Control::lstTest, 1);
  form.raise(Event::lstTest_Click);
  controls.select(Control::lstTest, -1);
  controls.set_text(Control::txtB, "typed by the user");
  form.raise(Event::lstTest_Click);
  EXPECT_EQ(form.state().sTest, "0100");
  EXPECT_EQ(controls.text(Control::txtB), "1100000100000100");
}

TEST_F(Form1Test, AllOptionsGiveTheDocumentedWordB) {
  load();
  form.raise(Event::cmdREFH_Click);
  controls.select(Control::lstCurrent, 4);
  form.raise(Event::lstCurrent_Click);
  form.raise(Event::cmdSLA_Click);
  controls.select(Control::lstPhase, 2);
  form.raise(Event::lstPhase_Click);
  form.raise(Event::cmdBRM_Click);
  controls.select(Control::lstTest, 3);
  form.raise(Event::lstTest_Click);
  EXPECT_EQ(controls.text(Control::txtB), "1111110111110101");
  EXPECT_EQ(form.state().sWordB, "1111110111110101");
}

TEST_F(Form1Test, SendWordBTransmitsTheFreshlyComposedWordEveryTime) {
  load();
  controls.set_text(Control::txtB, "0000");
  form.raise(Event::cmdSend_Click);
  EXPECT_EQ(port.chip.word_b(), "1100000100000000");
  EXPECT_EQ(controls.text(Control::txtB), "1100000100000000");
  form.raise(Event::cmdSend_Click);
  EXPECT_EQ(transmissions(), 3);

  form.raise(Event::cmdBRM_Click);
  form.raise(Event::cmdSend_Click);
  EXPECT_EQ(port.chip.word_b(), "1100000100010000");
  EXPECT_EQ(port.chip.decoded_word_a()->divider, 11690);
  EXPECT_EQ(port.chip.counts().malformed_words, 0);
}

TEST(Form1Failure, APortThatCannotBeBoundStopsStartUpWithTheMessage) {
  bus::UnavailablePort port{"the test has none."};
  bus::Inpout library{port};
  fake::Controls controls;
  form::Form1 form{controls, library, support::counting_spin};
  controls.attach(form);
  EXPECT_THROW(form.raise(Event::Form_Load), common::FatalError);
  EXPECT_EQ(controls.text(Control::txtB), "");  // start-up went no further
}

}  // namespace

#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QTest>

#include "bus/inpout.hpp"
#include "form/form1.hpp"
#include "sim/simulated_synthesizer.hpp"
#include "support/wire.hpp"
#include "window/form1_window.hpp"

namespace support {

// The real window on the simulated synthesizer, with every port write and wait on the wire.
// A fatal error reported during a test fails it.
class WindowOnChipTest : public ::testing::Test {
 protected:
  WindowOnChipTest() {
    wire().clear();
    window.attach(panel, [this] { return form::StatusLine{chip.label(), chip.description(), {}}; });
  }

  // Start-up, then the window on the screen.
  void start() {
    window.load();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  }

  template <typename Widget>
  Widget* control(const std::string& name) {
    auto* widget = window.findChild<Widget*>(QString::fromStdString(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }

  void click(const std::string& button) {
    QTest::mouseClick(control<QAbstractButton>(button), Qt::LeftButton);
  }

  long transmissions() const { return chip.counts().words_loaded; }

  sim::SimulatedSynthesizer chip;
  RecordingPort port{&chip};
  bus::Inpout library{port};
  window::Form1Window window;
  form::Form1 form{window, library, counting_spin};
  form::Panel panel{form, window, [](const std::string& message) {
                      ADD_FAILURE() << "fatal error reported: \"" << message << '"';
                    }};
};

}  // namespace support

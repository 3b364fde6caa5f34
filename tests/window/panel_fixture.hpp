#pragma once

#include <gtest/gtest.h>

#include <QTest>

#include "bus/inpout.hpp"
#include "form/form1.hpp"
#include "scroll_bar_parts.hpp"
#include "sim/simulated_synthesizer.hpp"
#include "support/counting_spin.hpp"
#include "window/form1_window.hpp"

// The real window on the simulated synthesizer, with the bus wait counted instead of spun.
class PanelTest : public ::testing::Test {
 protected:
  PanelTest() {
    window.attach(
        form,
        [this] {
          return window::StatusLine{chip.summary(), chip.description()};
        },
        [this](const std::string& message) { fatal_messages.push_back(message); });
  }

  void start() {
    window.load();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  }

  template <typename Widget>
  Widget* control(const char* name) {
    auto* widget = window.findChild<Widget*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }

  long transmissions() const { return chip.counts().words_loaded; }
  int divider_loaded() const { return chip.decoded_word_a()->divider; }

  sim::SimulatedSynthesizer chip{888};
  bus::Inpout library{chip};
  window::Form1Window window;
  form::Form1 form{window, library, support::counting_spin};
  std::vector<std::string> fatal_messages;
};

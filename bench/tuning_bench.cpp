// Times a tuning step as a user makes it: from a real mouse click on an arrow of the divider
// slider (offscreen platform) to the last port write of the Word A it sends, with iDel 0 on the
// simulated synthesizer. Prints the median and the 99th percentile in microseconds.
#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "bus/inpout.hpp"
#include "form/form1.hpp"
#include "form/panel.hpp"
#include "scroll_bar_parts.hpp"
#include "sim/simulated_synthesizer.hpp"
#include "window/form1_window.hpp"

namespace {

using Clock = std::chrono::steady_clock;

// The simulated chip, noting when the last write reached it.
class TimedPort : public bus::Port {
 public:
  std::string name() const override { return chip.name(); }
  std::string label() const override { return chip.label(); }
  void write(bus::Register target, std::uint8_t value) override {
    chip.write(target, value);
    last_write = Clock::now();
  }
  sim::SimulatedSynthesizer chip;
  Clock::time_point last_write;
};

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  TimedPort port;
  bus::Inpout library{port};
  window::Form1Window window;
  form::Form1 form{window, library};
  form::Panel panel{form, window, [](const std::string& message) {
                      std::fprintf(stderr, "%s\n", message.c_str());
                      std::exit(1);
                    }};
  window.attach(panel, {});
  window.load();
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) return 1;

  // Bus speed 0, as at start-up: the figure is the host's work, not the chip's waits.
  auto* speed = window.findChild<QScrollBar*>("scvDel");
  speed->setMinimum(0);
  speed->setValue(0);

  auto* divider = window.findChild<QScrollBar*>("hscDiv");
  const QPoint up = centre_of(divider, QStyle::SC_ScrollBarAddLine);
  const QPoint down = centre_of(divider, QStyle::SC_ScrollBarSubLine);
  constexpr int kClicks = 2000;
  std::vector<double> micros;
  micros.reserve(kClicks);
  for (int i = 0; i < kClicks; ++i) {
    const long loaded = port.chip.counts().words_loaded;
    const auto start = Clock::now();
    QTest::mouseClick(divider, Qt::LeftButton, {}, i % 2 ? down : up);
    if (port.chip.counts().words_loaded != loaded + 1) return 2;
    micros.push_back(std::chrono::duration<double, std::micro>(port.last_write - start).count());
  }
  std::ranges::sort(micros);
  std::printf("tuning_median_us %.2f\ntuning_p99_us %.2f\n", micros[micros.size() / 2],
              micros[micros.size() * 99 / 100]);
  return 0;
}

// Opens the real panel (--panel, on the simulated synthesizer, Form_Load and all), a bare
// window of the same size (--bare), or that window with one line of text (--label, which pays
// for the font system as every window with text does), and exits as soon as the window has
// been painted once. The benchmark runner times and measures the whole process.
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QTimer>
#include <string>

#include "bus/inpout.hpp"
#include "form/form1.hpp"
#include "sim/simulated_synthesizer.hpp"
#include "window/form1_window.hpp"

namespace {

class QuitAfterFirstPaint : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    return false;
  }
};

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "--bare";
  QApplication application(argc, argv);
  QuitAfterFirstPaint quit;

  if (mode != "--panel") {
    QWidget bare;
    bare.setFixedSize(339, 363);
    if (mode == "--label") new QLabel("Simulated: N 11690", &bare);
    bare.installEventFilter(&quit);
    bare.show();
    return application.exec();
  }
  sim::SimulatedSynthesizer chip{888};
  bus::Inpout library{chip};
  window::Form1Window window;
  form::Form1 form{window, library};
  window.attach(form, {}, {});
  window.load();
  window.installEventFilter(&quit);
  window.show();
  return application.exec();
}

// Opens the real panel (--panel, on the simulated synthesizer, Form_Load and all), the same 25
// controls made with plain Qt calls in the state the panel shows after start-up (--plain: what
// any program showing this window must pay), a bare window of the same size (--bare), or that
// window with one line of text (--label), and exits as soon as the window has been painted once.
// The benchmark runner times and measures the whole process.
#include <QApplication>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <span>
#include <string>
#include <utility>

#include "bus/inpout.hpp"
#include "form/form1.hpp"
#include "form/panel.hpp"
#include "sim/simulated_synthesizer.hpp"
#include "window/form1_window.hpp"
#include "words/word_a.hpp"
#include "words/word_b.hpp"

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

// Written independently of the panel's own layout table, in pixels at 96 dpi.
template <typename Widget, typename... Arguments>
Widget* place(QWidget* parent, QRect geometry, Arguments&&... arguments) {
  auto* widget = new Widget(std::forward<Arguments>(arguments)..., parent);
  widget->setGeometry(geometry);
  return widget;
}

QLabel* label(QWidget* parent, QRect geometry, const char* text) {
  auto* label = place<QLabel>(parent, geometry, text);
  label->setWordWrap(true);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return label;
}

void list(QWidget* parent, QRect geometry, std::span<const words::ListRow> rows) {
  auto* list = place<QListWidget>(parent, geometry);
  for (const auto& row : rows) list->addItem(QString::fromUtf8(row.item.data(), row.item.size()));
  list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void scroll_bar(QWidget* parent, QRect geometry, Qt::Orientation orientation, int minimum,
                int maximum, int small, int large, int value) {
  auto* bar = place<QScrollBar>(parent, geometry, orientation);
  bar->setRange(minimum, maximum);
  bar->setSingleStep(small);
  bar->setPageStep(large);
  bar->setValue(value);
}

QFont font(const QStringList& families, double points, bool bold) {
  QFont font(families);
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

QLineEdit* text_box(QWidget* parent, QRect geometry, const char* text, const QFont& font) {
  auto* box = place<QLineEdit>(parent, geometry, text);
  box->setFont(font);
  return box;
}

void colour(QWidget* widget, QPalette::ColorRole role, QColor colour) {
  QPalette palette = widget->palette();
  palette.setColor(role, colour);
  widget->setPalette(palette);
}

void build_plain_window(QWidget& window) {
  window.setFont(font({"MS Sans Serif", "Liberation Sans", "DejaVu Sans"}, 8.25, false));
  const QFont system = font({"System", "Liberation Sans", "DejaVu Sans"}, 9.75, true);

  auto* word_a = place<QGroupBox>(&window, QRect(28, 8, 229, 109), "Word 'A'");
  const QFont terminal = font({"Terminal", "Liberation Mono", "DejaVu Sans Mono"}, 13.5, true);
  colour(text_box(word_a, QRect(40, 20, 73, 25), "106.2", terminal), QPalette::Text,
         QColor(0, 0, 192));
  label(word_a, QRect(124, 20, 57, 29), "MHz")
      ->setFont(font({"MS Sans Serif", "Liberation Sans", "DejaVu Sans"}, 18, false));
  scroll_bar(word_a, QRect(16, 52, 141, 13), Qt::Horizontal, words::kLowestDivider,
             words::kHighestDivider, 10, 100, 11690);
  label(word_a, QRect(180, 52, 41, 13), "Div (N)");
  const QColor word_background(255, 128, 128);
  colour(text_box(word_a, QRect(8, 72, 141, 25), "0010110110101010", system), QPalette::Base,
         word_background);
  text_box(word_a, QRect(172, 72, 49, 25), "11690", system)
      ->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

  auto* word_b = place<QGroupBox>(&window, QRect(28, 128, 281, 197), "Word 'B'");
  place<QPushButton>(word_b, QRect(16, 16, 61, 17), "REFH");
  label(word_b, QRect(108, 20, 145, 17), "1 Khz Reference frequency");
  list(word_b, QRect(16, 40, 61, 17), words::kCurrentRows);
  label(word_b, QRect(108, 40, 73, 17), "Current (mA)");
  place<QPushButton>(word_b, QRect(16, 64, 61, 17), "SLA");
  label(word_b, QRect(108, 64, 137, 17), "Load mode - asynchronous");
  list(word_b, QRect(16, 88, 89, 17), words::kPhaseRows);
  label(word_b, QRect(108, 88, 121, 17), "Phase detector mode");
  place<QPushButton>(word_b, QRect(16, 112, 61, 17), "BRM");
  label(word_b, QRect(88, 112, 101, 17), "Current always on");
  list(word_b, QRect(16, 136, 165, 17), words::kTestRows);
  label(word_b, QRect(188, 136, 77, 17), "Test pin");
  colour(text_box(word_b, QRect(16, 164, 145, 25), "1100000100000000", system), QPalette::Base,
         word_background);
  place<QPushButton>(word_b, QRect(176, 164, 93, 21), "Send Word 'B'");

  scroll_bar(&window, QRect(280, 40, 13, 77), Qt::Vertical, 50, 1000, 1, 40, 100);
  label(&window, QRect(300, 64, 29, 29), "Buss  speed");
  place<QLabel>(&window, QRect(28, 336, 141, 17));
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "--bare";
  QApplication application(argc, argv);
  QuitAfterFirstPaint quit;

  if (mode != "--panel") {
    QWidget window;
    window.setFixedSize(339, 363);
    if (mode == "--label") new QLabel("Simulated: N 11690", &window);
    if (mode == "--plain") build_plain_window(window);
    window.installEventFilter(&quit);
    window.show();
    return application.exec();
  }
  sim::SimulatedSynthesizer chip;
  bus::Inpout library{chip};
  window::Form1Window window;
  form::Form1 form{window, library};
  form::Panel panel{form, window, {}};
  window.attach(panel, {});
  window.load();
  window.installEventFilter(&quit);
  window.show();
  return application.exec();
}

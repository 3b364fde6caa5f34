#include "window/scroll_bar_input.hpp"

#include <QKeyEvent>
#include <QScrollBar>
#include <QWheelEvent>

namespace window {

namespace {

class ClassicScrollBarInput : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* bar = static_cast<QScrollBar*>(watched);
    if (event->type() == QEvent::Wheel) {
      turn_wheel(*bar, *static_cast<QWheelEvent*>(event));
      return true;
    }
    if (event->type() != QEvent::KeyPress) return false;
    const auto action = action_for(static_cast<QKeyEvent*>(event)->key());
    if (action == QAbstractSlider::SliderNoAction) return false;
    bar->triggerAction(action);
    return true;
  }

 private:
  // A notch is 120 eighths of a degree; fine-grained wheels send parts of one, which add up.
  void turn_wheel(QScrollBar& bar, const QWheelEvent& wheel) {
    const QPoint delta = wheel.angleDelta();
    wheel_eighths_ += delta.y() != 0 ? delta.y() : delta.x();
    for (; wheel_eighths_ >= kNotch; wheel_eighths_ -= kNotch) {
      bar.triggerAction(QAbstractSlider::SliderSingleStepSub);
    }
    for (; wheel_eighths_ <= -kNotch; wheel_eighths_ += kNotch) {
      bar.triggerAction(QAbstractSlider::SliderSingleStepAdd);
    }
  }

  static constexpr int kNotch = 120;
  int wheel_eighths_ = 0;

  static QAbstractSlider::SliderAction action_for(int key) {
    switch (key) {
      case Qt::Key_Right:
      case Qt::Key_Down:
        return QAbstractSlider::SliderSingleStepAdd;
      case Qt::Key_Left:
      case Qt::Key_Up:
        return QAbstractSlider::SliderSingleStepSub;
      case Qt::Key_PageDown:
        return QAbstractSlider::SliderPageStepAdd;
      case Qt::Key_PageUp:
        return QAbstractSlider::SliderPageStepSub;
      case Qt::Key_End:
        return QAbstractSlider::SliderToMaximum;
      case Qt::Key_Home:
        return QAbstractSlider::SliderToMinimum;
      default:
        return QAbstractSlider::SliderNoAction;
    }
  }
};

}  // namespace

void use_classic_scroll_bar_input(QScrollBar& bar) {
  bar.installEventFilter(new ClassicScrollBarInput(&bar));
}

}  // namespace window

#include "window/scroll_bar_keys.hpp"

#include <QKeyEvent>
#include <QScrollBar>

namespace window {

namespace {

class ScrollBarKeys : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    const auto action = action_for(static_cast<QKeyEvent*>(event)->key());
    if (action == QAbstractSlider::SliderNoAction) return false;
    static_cast<QScrollBar*>(watched)->triggerAction(action);
    return true;
  }

 private:
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

void use_scroll_bar_keys(QScrollBar& bar) { bar.installEventFilter(new ScrollBarKeys(&bar)); }

}  // namespace window

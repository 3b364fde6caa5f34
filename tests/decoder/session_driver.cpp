// Plays a session on the window of the real program: Qt loads this as a generic plugin
// (QT_QPA_GENERIC_PLUGINS), and it runs once the event loop starts, after start-up. The bus is
// made slow first, as a logic analyser sampling at 1 MHz needs it.
#include <QAbstractButton>
#include <QApplication>
#include <QGenericPlugin>
#include <QListWidget>
#include <QScrollBar>
#include <QTimer>

namespace {

template <typename Widget>
Widget& control(const char* name) {
  for (QWidget* window : QApplication::topLevelWidgets())
    if (auto* widget = window->findChild<Widget*>(name)) return *widget;
  qFatal("session driver: the window has no %s", name);
}

void play_session() {
  control<QScrollBar>("scvDel").triggerAction(QAbstractSlider::SliderToMaximum);
  control<QScrollBar>("hscDiv").triggerAction(QAbstractSlider::SliderSingleStepAdd);
  auto& send = control<QAbstractButton>("cmdSend");
  send.click();
  for (const char* list : {"lstCurrent", "lstPhase", "lstTest"}) {
    auto& items = control<QListWidget>(list);
    for (int row = 0; row < items.count(); ++row) {
      items.setCurrentRow(row);
      send.click();
    }
  }
  for (const char* toggle : {"cmdREFH", "cmdSLA", "cmdBRM"}) {
    control<QAbstractButton>(toggle).click();
    send.click();
  }
  QCoreApplication::quit();
}

class SessionDriver : public QGenericPlugin {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "session_driver.json")

 public:
  QObject* create(const QString&, const QString&) override {
    QTimer::singleShot(0, &play_session);
    return new QObject;  // Qt deletes it with the application
  }
};

}  // namespace

#include "session_driver.moc"

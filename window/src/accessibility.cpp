#include "accessibility.hpp"

#include <QAccessibleObject>
#include <QAccessibleWidget>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

#include "qt_text.hpp"

namespace window {

namespace {

// A control's text as a screen reader reads it. Each character's attributes span the whole
// text: Qt's own boxes give each an empty span, by which Orca leaves out a line's last character.
class SpokenText : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  using QAccessibleWidget::QAccessibleWidget;

  QString text(QAccessible::Text t) const override {
    return t == QAccessible::Value ? whole() : QAccessibleWidget::text(t);
  }
  void* interface_cast(QAccessible::InterfaceType t) override {
    if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
  }

  QString text(int start, int end) const override { return whole().mid(start, end - start); }
  int characterCount() const override { return static_cast<int>(whole().size()); }
  QRect characterRect(int) const override { return {}; }
  int offsetAtPoint(const QPoint&) const override { return -1; }
  void scrollToSubstring(int, int) override {}
  QString attributes(int, int* start, int* end) const override {
    *start = 0;
    *end = characterCount();
    return {};
  }

 protected:
  virtual QString whole() const = 0;
};

// A slider whose value says what it means. As a spin button it also offers that as its text,
// which is what Orca speaks of one: of a slider it speaks the bare number.
class SpokenSlider : public SpokenText, public QAccessibleValueInterface {
 public:
  SpokenSlider(QScrollBar& bar, QAccessible::Role role, ValueText value_text)
      : SpokenText(&bar, role), bar_(bar), value_text_(std::move(value_text)) {}

  void* interface_cast(QAccessible::InterfaceType t) override {
    if (t == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
    if (t == QAccessible::TextInterface && role() != QAccessible::SpinBox) return nullptr;
    return SpokenText::interface_cast(t);
  }

  QVariant currentValue() const override { return bar_.value(); }
  void setCurrentValue(const QVariant& value) override { bar_.setValue(value.toInt()); }
  QVariant maximumValue() const override { return bar_.maximum(); }
  QVariant minimumValue() const override { return bar_.minimum(); }
  QVariant minimumStepSize() const override { return bar_.singleStep(); }

  // Read-only text, with no caret or selection.
  void selection(int, int* start, int* end) const override { *start = *end = 0; }
  int selectionCount() const override { return 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  int cursorPosition() const override { return 0; }
  void setCursorPosition(int) override {}

 private:
  QString whole() const override { return value_text_(bar_.value()); }

  QScrollBar& bar_;
  ValueText value_text_;
};

// A text box, its caret, selection and editing the box's own.
class SpokenBox : public SpokenText, public QAccessibleEditableTextInterface {
 public:
  explicit SpokenBox(QLineEdit& box) : SpokenText(&box, QAccessible::EditableText), box_(box) {}

  QAccessible::State state() const override {
    QAccessible::State state = SpokenText::state();
    state.editable = !box_.isReadOnly();
    state.selectableText = true;
    return state;
  }
  void* interface_cast(QAccessible::InterfaceType t) override {
    if (t == QAccessible::EditableTextInterface)
      return static_cast<QAccessibleEditableTextInterface*>(this);
    return SpokenText::interface_cast(t);
  }

  void selection(int, int* start, int* end) const override {
    *start = box_.hasSelectedText() ? box_.selectionStart() : 0;
    *end = *start + static_cast<int>(box_.selectedText().size());
  }
  int selectionCount() const override { return box_.hasSelectedText() ? 1 : 0; }
  void addSelection(int start, int end) override { box_.setSelection(start, end - start); }
  void removeSelection(int) override { box_.deselect(); }
  void setSelection(int, int start, int end) override { addSelection(start, end); }
  int cursorPosition() const override { return box_.cursorPosition(); }
  void setCursorPosition(int at) override { box_.setCursorPosition(at); }

  void deleteText(int start, int end) override { replaceText(start, end, {}); }
  void insertText(int at, const QString& text) override { replaceText(at, at, text); }
  void replaceText(int start, int end, const QString& text) override {
    box_.setText(box_.text().replace(start, end - start, text));
  }

 private:
  QString whole() const override { return box_.text(); }

  QLineEdit& box_;
};

// What the information line last told, the one child of its status.
constexpr const char* kNews = "news";

struct News : QObject {
  using QObject::QObject;
  QString told;
};

class Notification : public QAccessibleObject {
 public:
  explicit Notification(News& news) : QAccessibleObject(&news), news_(news) {}

  QAccessibleInterface* parent() const override {
    return QAccessible::queryAccessibleInterface(news_.parent());
  }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QString text(QAccessible::Text t) const override {
    return t == QAccessible::Name ? news_.told : QString();
  }
  QAccessible::Role role() const override { return QAccessible::Notification; }
  QAccessible::State state() const override { return {}; }

 private:
  News& news_;
};

class StatusLine : public QAccessibleWidget {
 public:
  StatusLine(QLabel& line, News& news)
      : QAccessibleWidget(&line, QAccessible::StatusBar), line_(line), news_(news) {}

  QString text(QAccessible::Text t) const override {
    return t == QAccessible::Name ? line_.text() : QAccessibleWidget::text(t);
  }

  int childCount() const override { return 1; }
  QAccessibleInterface* child(int index) const override {
    return index == 0 ? QAccessible::queryAccessibleInterface(&news_) : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    return child && child->object() == &news_ ? 0 : -1;
  }

 private:
  QLabel& line_;
  News& news_;
};

// Ours in place of the interface that Qt may have made as the control was created.
void replace_interface(QWidget& control, QAccessibleInterface* ours) {
  QAccessible::deleteAccessibleInterface(
      QAccessible::uniqueId(QAccessible::queryAccessibleInterface(&control)));
  QAccessible::registerAccessibleInterface(ours);
}

}  // namespace

void give_speech(QWidget& control, const LayoutRow& row, ValueText value_text) {
  // A caption that changes names its own control as it changes.
  if (const auto name = spoken_name(row); name != row.text)
    control.setAccessibleName(qstring(name));
  control.setAccessibleDescription(qstring(spoken_description(row)));
  if (auto* box = qobject_cast<QLineEdit*>(&control))
    return replace_interface(control, new SpokenBox(*box));
  auto* bar = qobject_cast<QScrollBar*>(&control);
  switch (row.speech.role) {
    case SpokenRole::usual:
      return;
    case SpokenRole::spin_button:
      return replace_interface(control, new SpokenSlider(*bar, QAccessible::SpinBox, value_text));
    case SpokenRole::slider:
      return replace_interface(control, new SpokenSlider(*bar, QAccessible::Slider, value_text));
    case SpokenRole::status: {
      auto* news = new News(&control);
      news->setObjectName(kNews);
      QAccessible::registerAccessibleInterface(new Notification(*news));
      return replace_interface(control, new StatusLine(static_cast<QLabel&>(control), *news));
    }
  }
}

void announce(QWidget& line, const QString& news) {
  auto* told = static_cast<News*>(line.findChild<QObject*>(kNews, Qt::FindDirectChildrenOnly));
  told->told = news;
  // The bridge's clients keep names until told of a change. Orca speaks a notification as it
  // shows, wherever the focus is.
  for (const auto event : {QAccessible::NameChanged, QAccessible::ObjectShow}) {
    QAccessibleEvent changed(told, event);
    QAccessible::updateAccessibility(&changed);
  }
}

}  // namespace window

#pragma once

#include <QListWidget>

namespace window {

// A list box one row high, which shows its choice and so always keeps one once it has one:
// Ctrl+click or Ctrl+Space on the chosen item leaves it chosen. With nothing chosen yet, the
// first arrow key chooses the first item, as a classic list box does, not the one after it. A
// screen reader hears its choice as it takes the focus.
class OneRowList : public QListWidget {
 public:
  using QListWidget::QListWidget;

 protected:
  QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                       const QEvent* event) const override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
};

}  // namespace window

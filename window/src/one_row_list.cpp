#include "one_row_list.hpp"

#include <QAccessible>
#include <QKeyEvent>
#include <QTimer>

namespace window {

QItemSelectionModel::SelectionFlags OneRowList::selectionCommand(const QModelIndex& index,
                                                                 const QEvent* event) const {
  const auto command = QListWidget::selectionCommand(index, event);
  return command.testFlag(QItemSelectionModel::Deselect) ? QItemSelectionModel::NoUpdate : command;
}

void OneRowList::keyPressEvent(QKeyEvent* event) {
  const bool arrow = event->key() == Qt::Key_Down || event->key() == Qt::Key_Up;
  if (arrow && selectedItems().isEmpty() && count() > 0) {
    setCurrentRow(0);  // Qt would move on from a current row that was never chosen
    event->accept();
    return;
  }
  QListWidget::keyPressEvent(event);
}

void OneRowList::focusInEvent(QFocusEvent* event) {
  QListWidget::focusInEvent(event);
  // Qt tells of the focused row before the list, which Orca then says alone: the chosen row
  // again, once the list has been told.
  QTimer::singleShot(0, this, [this] {
    if (!hasFocus() || selectedItems().isEmpty()) return;
    QAccessibleEvent focus(this, QAccessible::Focus);
    focus.setChild(row(selectedItems().front()));
    QAccessible::updateAccessibility(&focus);
  });
}

}  // namespace window

#include "one_row_list.hpp"

#include <QKeyEvent>

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

}  // namespace window

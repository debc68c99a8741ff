#include "editor/KeyLabelsView.h"

#include <QFocusEvent>

namespace q4t {

KeyLabelsView::KeyLabelsView(int labelColumn, QWidget* parent) : QTableView(parent), labelColumn_(labelColumn) {}

void KeyLabelsView::commitOpenEditor() {
  if (state() != EditingState) return;
  // The row edited need not be the current one (edit() leaves the current row).
  for (int row = 0; row < model()->rowCount(); ++row) {
    if (QWidget* editor = indexWidget(model()->index(row, labelColumn_))) {
      commitData(editor);
      closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
  }
}

QModelIndex KeyLabelsView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
  if (action == MoveNext) action = MoveDown;
  if (action == MovePrevious) action = MoveUp;
  return QTableView::moveCursor(action, modifiers);
}

void KeyLabelsView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTableView::currentChanged(current, previous);
  // A click on a row's key or value makes its label current.
  if (current.isValid() && current.column() != labelColumn_) setCurrentIndex(current.siblingAtColumn(labelColumn_));
}

// Entering the list by the keyboard without a current row makes the first one
// current, so that typing starts its label.
void KeyLabelsView::focusInEvent(QFocusEvent* event) {
  if (!currentIndex().isValid() && event->reason() != Qt::MouseFocusReason && model() && model()->rowCount() > 0)
    setCurrentIndex(model()->index(0, labelColumn_));
  QTableView::focusInEvent(event);
}

}  // namespace q4t

// The table of the Key Labels window. Its current cell is always a label, so
// that typing in any row starts that row's label; Tab and Backtab move a row
// down and up, out of an open editor too, and so never leave the list.
#pragma once

#include <QTableView>

namespace q4t {

class KeyLabelsView : public QTableView {
  Q_OBJECT
 public:
  KeyLabelsView(int labelColumn, QWidget* parent);

  // The text of an open editor goes to the model, and the editor closes.
  void commitOpenEditor();

 protected:
  QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  void focusInEvent(QFocusEvent* event) override;

 private:
  int labelColumn_;
};

}  // namespace q4t

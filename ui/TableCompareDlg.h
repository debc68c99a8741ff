// "Compare Key Tables": what differs between a table kept elsewhere (a file,
// a kept keyboard table) and the active key layout window's, the way a
// Download of the window's table over the other would change the keyboard.
#pragma once

#include <QDialog>

#include "model/KeyTable.h"

class QPushButton;

namespace q4t {

class TableDiffView;

class TableCompareDlg : public QDialog {
  Q_OBJECT
 public:
  // The names head the list: the old table's (a file name), then the window's title.
  TableCompareDlg(const KeyTable& oldTable, const QString& oldName, const KeyTable& newTable, const QString& newName,
                  QWidget* parent = nullptr);

  TableDiffView& changes() const { return *changes_; }
  QPushButton& closeButton() const { return *closeButton_; }

 private:
  TableDiffView* changes_;
  QPushButton* closeButton_;
};

}  // namespace q4t

// The key menu "KeyKontext": TCO on and off, then the four shapes. Its check
// and grey states stay between openings.
#pragma once

#include <QMenu>

#include "model/KeyTable.h"

namespace q4t {

class KeyContextMenu : public QMenu {
  Q_OBJECT
 public:
  explicit KeyContextMenu(QWidget* parent);

  // Greys, enables and checks the items for key k as its size asks.
  void prepareFor(const KeyTable& table, int k);
  // After TCO off: "TCO Counter on" unchecked, "TCO Counter off" checked.
  void showCounterOff();
  QAction* item(int commandId) const;
  // Shows the menu at the position; the chosen command, or 0.
  int choose(const QPoint& globalPos);

 private:
  void checkShape(int commandId);
  void checkCounter(bool on, bool off);

  QList<QAction*> items_;
};

}  // namespace q4t

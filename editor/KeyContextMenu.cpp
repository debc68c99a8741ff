#include "editor/KeyContextMenu.h"

#include "ui/CommandIds.h"

namespace q4t {

namespace {
const int kShapeCommands[] = {cmd::kSingleKey, cmd::kDoubleKeyRight, cmd::kDoubleKeyDown, cmd::kQuadrupleKey};
}

KeyContextMenu::KeyContextMenu(QWidget* parent) : QMenu(QStringLiteral("KeyKontext"), parent) {
  const auto add = [this](int id, const QString& text) {
    QAction* action = addAction(text);
    action->setData(id);
    action->setCheckable(true);
    items_.append(action);
  };
  add(cmd::kTcoCounterOn, QStringLiteral("TCO Counter on"));
  add(cmd::kTcoCounterOff, QStringLiteral("TCO Counter off"));
  addSeparator();
  add(cmd::kSingleKey, QStringLiteral("single Key"));
  add(cmd::kDoubleKeyRight, QStringLiteral("double Key right"));
  add(cmd::kDoubleKeyDown, QStringLiteral("double Key down"));
  add(cmd::kQuadrupleKey, QStringLiteral("quadruple Key"));
  item(cmd::kTcoCounterOff)->setChecked(true);
  item(cmd::kSingleKey)->setChecked(true);
}

QAction* KeyContextMenu::item(int commandId) const {
  for (QAction* action : items_) {
    if (action->data().toInt() == commandId) return action;
  }
  return nullptr;
}

void KeyContextMenu::checkShape(int commandId) {
  for (int id : kShapeCommands) item(id)->setChecked(id == commandId);
}

void KeyContextMenu::checkCounter(bool on, bool off) {
  item(cmd::kTcoCounterOn)->setChecked(on);
  item(cmd::kTcoCounterOff)->setChecked(off);
}

void KeyContextMenu::showCounterOff() { checkCounter(false, true); }

void KeyContextMenu::prepareFor(const KeyTable& table, int k) {
  item(cmd::kDoubleKeyRight)->setEnabled(table.rightOf(k) >= 0);
  item(cmd::kDoubleKeyDown)->setEnabled(table.downOf(k) >= 0);
  item(cmd::kQuadrupleKey)->setEnabled(table.downRightOf(k) >= 0);
  checkCounter(false, false);
  const KeySize size = table.entry(k).size;
  switch (size) {
    case KeySize::Covered:
      checkShape(0);
      checkCounter(table.isCounterOn(k), false);
      return;
    case KeySize::Single:
      checkShape(cmd::kSingleKey);
      checkCounter(table.isCounterOn(k), !table.isCounterOn(k));
      return;
    case KeySize::DoubleRight:
    case KeySize::DoubleDown:
    case KeySize::Quadruple: {
      const int checkedShape = size == KeySize::DoubleRight ? cmd::kDoubleKeyRight
                               : size == KeySize::DoubleDown ? cmd::kDoubleKeyDown
                                                             : cmd::kQuadrupleKey;
      checkShape(checkedShape);
      for (int id : kShapeCommands) item(id)->setEnabled(id == cmd::kSingleKey);
      checkCounter(table.groupHasCounter(k), !table.groupHasCounter(k));
      return;
    }
  }
}

int KeyContextMenu::choose(const QPoint& globalPos) {
  const QAction* chosen = exec(globalPos);
  return chosen ? chosen->data().toInt() : 0;
}

}  // namespace q4t

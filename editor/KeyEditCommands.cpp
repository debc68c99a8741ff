#include "editor/KeyEditCommands.h"

#include "editor/CChangeKeyValueDlg.h"
#include "editor/CTCOCounterDlg.h"
#include "editor/FormHost.h"
#include "ui/ProgramMessage.h"
#include "editor/KeyContextMenu.h"
#include "editor/KeyLayout.h"
#include "model/KeyboardLimits.h"
#include "ui/CommandIds.h"

namespace q4t {

namespace {
constexpr int kDialogOk = 1;
constexpr int kDialogFailed = -1;

bool isShape(KeySize size) {
  return size == KeySize::Single || size == KeySize::DoubleRight || size == KeySize::DoubleDown ||
         size == KeySize::Quadruple;
}
}  // namespace

KeyEditCommands::KeyEditCommands(KeyTable& table, KeyLayout& layout, KeyContextMenu& menu, FormHost& host)
    : table_(table), layout_(layout), menu_(menu), host_(host) {}

int KeyEditCommands::chooseFromMenu(int k, const QPoint& globalPos) {
  currentKey_ = k;
  menu_.prepareFor(table_, k);
  return menu_.choose(globalPos);
}

bool KeyEditCommands::editValue(int k) {
  CChangeKeyValueDlg dialog(host_.mainWindow());
  dialog.actuationPoint = isShape(table_.entry(k).size) ? table_.actuationKey(k) : 0;
  dialog.oldValue = table_.entry(k).value;
  const int result = dialog.DoModal();
  if (result == kDialogFailed) {
    showDialogFailure();
    return false;
  }
  const bool accepted = result == kDialogOk;
  if (accepted) takeValue(k, dialog.newValue);
  layout_.restoreChangedMarks();
  return accepted;
}

void KeyEditCommands::takeValue(int k, std::int32_t value) {
  table_.setValue(k, value);
  layout_.refreshCaption(k);
}

void KeyEditCommands::pasteKey(int k, std::int32_t value, const std::optional<std::string>& label) {
  takeValue(k, value);
  layout_.restoreChangedMarks();
  if (label) setLabel(k, *label);
}

void KeyEditCommands::reshape(int commandId) {
  if (commandId != cmd::kSingleKey) {
    merge(commandId);
  } else if (static_cast<int>(table_.entry(currentKey_).size) > 0) {
    split(currentKey_);
  }
}

void KeyEditCommands::split(int k) {
  const GroupPositions group = table_.groupOf(k);
  table_.splitKey(k);
  bool released = false;
  for (int position : group) {
    if (position == k || table_.entry(position).size != KeySize::Single) continue;
    released = true;
    layout_.moveHome(position);
    layout_.button(position)->show();
    layout_.refreshCaption(position);
  }
  if (released) {
    for (int position : group) layout_.button(position)->setOwnerDrawn(false);
    menu_.showCounterOff();
  }
  layout_.moveHome(k);
}

void KeyEditCommands::merge(int commandId) {
  const int k = currentKey_;
  const KeySize wanted = commandId == cmd::kDoubleKeyRight  ? KeySize::DoubleRight
                         : commandId == cmd::kDoubleKeyDown ? KeySize::DoubleDown
                                                            : KeySize::Quadruple;
  if (wanted == KeySize::DoubleRight) table_.mergeRight(k);
  if (wanted == KeySize::DoubleDown) table_.mergeDown(k);
  if (wanted == KeySize::Quadruple) table_.mergeQuadruple(k);
  if (table_.entry(k).size != wanted) return;
  layout_.moveHome(k);
  layout_.applyShapeGeometry(k);
  layout_.makeGroupPlain(k);
  menu_.showCounterOff();
}

void KeyEditCommands::counterOff() {
  table_.counterOff(currentKey_);
  layout_.makeGroupPlain(currentKey_);
  menu_.showCounterOff();
}

void KeyEditCommands::counterOn() {
  const int k = currentKey_;
  if (table_.countersInUse() == kMaxCountersInUse) {
    showProgramMessage(host_.mainWindow(), QMessageBox::Information,
                       QStringLiteral("All TCO counters in use.\nPlease switch off an other counter"));
    layout_.restoreChangedMarks();
    return;
  }
  CTCOCounterDlg dialog(host_.mainWindow());
  dialog.keyShape = static_cast<std::uint16_t>(table_.entry(k).size);
  dialog.counterText = QString::number(table_.entry(k).counter);
  for (int i = 0; i < kMaxCountersInUse; ++i) {
    dialog.counterOwners[static_cast<std::size_t>(i)] =
        table_.counters()[static_cast<std::size_t>(kFirstKeyCounter + i)].ownerKey;
  }
  const int result = dialog.DoModal();
  if (result == kDialogFailed) {
    showDialogFailure();
    return;
  }
  if (result != kDialogOk) return;
  table_.counterOn(k, static_cast<KeyPosition>(dialog.selectedPoint), dialog.counterNumber());
  layout_.refreshStyles();
  // A face drawn already (a changed value) gets its stripe now, not when the pointer passes.
  layout_.button(k)->update();
}

bool KeyEditCommands::setLabel(int k, const std::string& label) {
  if (table_.label(k) == keyLabelText(label)) return false;
  table_.setLabel(k, label);
  layout_.refreshCaption(k);
  return true;
}

void KeyEditCommands::relayoutAll() {
  table_.applyLoadedShapes();
  layout_.showAll();
  for (int k = 0; k < kKeyCount; ++k) {
    if (table_.entry(k).size == KeySize::Single) {
      split(k);
    } else {
      layout_.applyShapeGeometry(k);
    }
  }
}

void KeyEditCommands::showDialogFailure() {
  showProgramMessage(host_.mainWindow(), QMessageBox::NoIcon, QStringLiteral("Dialog box could not be created!"));
}

}  // namespace q4t

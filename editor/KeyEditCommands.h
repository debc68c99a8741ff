// The edits of a key table in the key layout view: the value edit of a key
// click, the key menu's shape and TCO counter commands on the key whose menu
// was opened last, labels and pasted keys. Each calls the table, then shows
// its consequences on the key buttons and the menu; the view records each
// on its undo stack, which also decides the modified mark.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

class QPoint;

namespace q4t {

class FormHost;
class KeyContextMenu;
class KeyLayout;
class KeyTable;

class KeyEditCommands {
 public:
  KeyEditCommands(KeyTable& table, KeyLayout& layout, KeyContextMenu& menu, FormHost& host);

  // Opens the key menu for k, which becomes the current key; the chosen command, or 0.
  int chooseFromMenu(int k, const QPoint& globalPos);
  int currentKey() const { return currentKey_; }
  // The Change Key Value dialog for k; true when a new value was taken.
  bool editValue(int k);
  // "single Key", "double Key right", "double Key down" or "quadruple Key".
  void reshape(int commandId);
  void counterOn();
  void counterOff();
  // True when the label changed.
  bool setLabel(int k, const std::string& label);
  // A pasted key: the value as the dialog sets it, and the label when the
  // paste brought one.
  void pasteKey(int k, std::int32_t value, const std::optional<std::string>& label);
  // Every key's button placed again as the table's shapes ask, after a
  // transfer read them; marks nothing modified.
  void relayoutAll();

 private:
  void split(int k);
  void merge(int commandId);
  void takeValue(int k, std::int32_t value);
  void showDialogFailure();

  KeyTable& table_;
  KeyLayout& layout_;
  KeyContextMenu& menu_;
  FormHost& host_;
  int currentKey_ = 0;
};

}  // namespace q4t

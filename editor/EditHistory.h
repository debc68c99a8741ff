// The undo stack of one key layout view. Every change of the table is one
// command named for the Edit menu: an edit runs once, inside record(), and
// the command keeps what it changed in the table and on the key buttons, so
// that undo and redo show both exactly as they were without running the
// edit's rules again. The stack lives and goes with its view.
#pragma once

#include <QUndoStack>
#include <functional>

namespace q4t {

class KeyLayout;
class KeyTable;

class EditHistory {
 public:
  EditHistory(KeyTable& table, KeyLayout& layout);

  QUndoStack& stack() { return stack_; }
  const QUndoStack& stack() const { return stack_; }

  // Runs edit; when it changed the table, pushes it as one command named
  // name. True when it did.
  bool record(const QString& name, const std::function<void()>& edit);
  // A table taken whole (an Upload) replaced previous: one command, whose
  // keys are laid out anew from the table on undo and redo.
  void recordReplaced(const QString& name, const KeyTable& previous);

 private:
  KeyTable& table_;
  KeyLayout& layout_;
  QUndoStack stack_;
};

}  // namespace q4t

#include "editor/EditHistory.h"

#include <algorithm>
#include <array>
#include <optional>

#include "editor/KeyFaces.h"
#include "editor/KeyLayout.h"
#include "model/TableChange.h"

namespace q4t {

namespace {

// One change of the table. It is pushed after the edit ran, so its first
// redo puts back what is there already.
class TableEditCommand : public QUndoCommand {
 public:
  // Without faces the keys are laid out from the table.
  TableEditCommand(const QString& name, TableChange change, std::optional<FaceChange> faces, KeyTable& table,
                   KeyLayout& layout)
      : QUndoCommand(name), change_(std::move(change)), faces_(std::move(faces)), table_(table), layout_(layout) {}

  void undo() override { show(false); }
  void redo() override { show(true); }

 private:
  void show(bool after) {
    after ? change_.redo(table_) : change_.undo(table_);
    if (!faces_) {
      layout_.layOutFromTable();
      return;
    }
    faces_->show(layout_, after);
    repaintChangedKeys();
  }

  // Captions, stripes and red faces come from the table: the changed keys and
  // the owners of their groups show them anew.
  void repaintChangedKeys() {
    std::array<bool, kKeyCount> changed{};
    for (int k : change_.keys()) {
      changed[static_cast<std::size_t>(k)] = true;
      layout_.refreshCaption(k);
    }
    for (int k = 0; k < kKeyCount; ++k) {
      const GroupPositions group = table_.groupOf(k);
      if (std::any_of(group.begin(), group.end(), [&changed](int position) { return changed[static_cast<std::size_t>(position)]; }))
        layout_.button(k)->update();
    }
  }

  TableChange change_;
  std::optional<FaceChange> faces_;
  KeyTable& table_;
  KeyLayout& layout_;
};

}  // namespace

EditHistory::EditHistory(KeyTable& table, KeyLayout& layout) : table_(table), layout_(layout) {}

bool EditHistory::record(const QString& name, const std::function<void()>& edit) {
  const KeyTable before = table_;
  const KeyFaces facesBefore = layout_.faces();
  edit();
  TableChange change(before, table_);
  if (change.empty()) return false;
  stack_.push(new TableEditCommand(name, std::move(change), FaceChange(facesBefore, layout_.faces()), table_, layout_));
  return true;
}

void EditHistory::recordReplaced(const QString& name, const KeyTable& previous) {
  TableChange change(previous, table_);
  if (change.empty()) return;
  stack_.push(new TableEditCommand(name, std::move(change), std::nullopt, table_, layout_));
}

}  // namespace q4t

#include "model/TableChange.h"

namespace q4t {

TableChange::TableChange(const KeyTable& before, const KeyTable& after)
    : countersBefore_(before.countersInUse()), countersAfter_(after.countersInUse()) {
  for (int k = 0; k < kKeyCount; ++k) {
    if (before.entry(k) == after.entry(k) && before.label(k) == after.label(k)) continue;
    keys_.push_back({k, {before.entry(k), before.label(k)}, {after.entry(k), after.label(k)}});
  }
  for (int c = 0; c < kCounterSlotCount; ++c) {
    const TcoCounterSlot& was = before.counters()[static_cast<std::size_t>(c)];
    const TcoCounterSlot& is = after.counters()[static_cast<std::size_t>(c)];
    if (!(was == is)) slots_.push_back({c, was, is});
  }
  // Most edits touch one or a few keys: no spare room kept per command.
  keys_.shrink_to_fit();
  slots_.shrink_to_fit();
}

bool TableChange::empty() const { return keys_.empty() && slots_.empty() && countersBefore_ == countersAfter_; }

void TableChange::undo(KeyTable& table) const { put(table, false); }

void TableChange::redo(KeyTable& table) const { put(table, true); }

void TableChange::put(KeyTable& table, bool after) const {
  for (const KeyDifference& key : keys_) {
    const KeyState& state = after ? key.after : key.before;
    table.restoreKey(key.k, state.entry, state.label);
  }
  for (const SlotDifference& slot : slots_) table.restoreSlot(slot.c, after ? slot.after : slot.before);
  table.restoreCountersInUse(after ? countersAfter_ : countersBefore_);
}

std::vector<int> TableChange::keys() const {
  std::vector<int> changed;
  for (const KeyDifference& key : keys_) changed.push_back(key.k);
  return changed;
}

}  // namespace q4t

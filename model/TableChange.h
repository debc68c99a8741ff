// What one edit did to a key table: each key (entry and label) and each
// counter slot that differs, as it was before and after, and the number of
// counters in use. Undo and redo put either side back without running the
// edit's rules again; keys and slots the edit left alone are not touched.
#pragma once

#include <string>
#include <vector>

#include "model/KeyTable.h"

namespace q4t {

class TableChange {
 public:
  TableChange(const KeyTable& before, const KeyTable& after);

  bool empty() const;
  void undo(KeyTable& table) const;
  void redo(KeyTable& table) const;
  // The keys whose entry or label differs, in key order.
  std::vector<int> keys() const;

 private:
  struct KeyState {
    KeyEntry entry;
    std::string label;
  };
  struct KeyDifference {
    int k;
    KeyState before, after;
  };
  struct SlotDifference {
    int c;
    TcoCounterSlot before, after;
  };

  void put(KeyTable& table, bool after) const;

  std::vector<KeyDifference> keys_;
  std::vector<SlotDifference> slots_;
  int countersBefore_;
  int countersAfter_;
};

}  // namespace q4t

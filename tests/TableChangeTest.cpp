// The change one edit makes to a key table: undo and redo touch only what the
// edit changed (every kind of edit is undone and redone, and one that changed
// nothing not recorded, in UndoRedoTest).
#include <gtest/gtest.h>

#include "model/TableChange.h"
#include "tests/TestTables.h"

namespace q4t {
namespace {

using testing::gridTable;

// 20 a quadruple key with counter 6 on its covered position 21; 50 holds
// counter 7.
KeyTable startTable() {
  KeyTable table = gridTable();
  table.mergeQuadruple(20);
  table.counterOn(20, KeyPosition::TopRight, 6);
  table.counterOn(50, KeyPosition::TopLeft, 7);
  return table;
}

TEST(TableChange, HoldsOnlyWhatTheEditTouched) {
  const KeyTable before = startTable();
  KeyTable table = before;
  table.setValue(20, 7);  // the owner and its three covered positions
  const TableChange change(before, table);
  EXPECT_EQ(change.keys(), (std::vector<int>{2, 3, 20, 21}));

  // What changed after the edit (another label, a counter reading) stays
  // through its undo and redo.
  table.setLabel(80, "Soup");
  std::array<std::int32_t, kCounterSlotCount> readings{};
  readings[7] = 1234;
  table.takeCounterReadings(readings);
  change.undo(table);
  EXPECT_EQ(table.entry(20).value, 21);
  EXPECT_EQ(table.label(80), "Soup");
  EXPECT_EQ(table.counters()[7].count, 1234);
  change.redo(table);
  EXPECT_EQ(table.entry(3).value, 7);
  EXPECT_EQ(table.label(80), "Soup");
}

}  // namespace
}  // namespace q4t

// The change one edit makes to a key table, as undo and redo put it back.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "model/KeyTableText.h"
#include "model/TableChange.h"
#include "tests/TestTables.h"

namespace q4t {
namespace {

using testing::gridTable;
using testing::invariantViolations;

// The table as saved, and what the file does not hold: change marks,
// previous values, counter readings and the number of counters in use.
std::string wholeTable(const KeyTable& table) {
  std::string written;
  EXPECT_TRUE(mergeKeyTable("", table, written));
  std::ostringstream rest;
  for (int k = 0; k < kKeyCount; ++k) rest << table.entry(k).changed << ':' << table.entry(k).previousValue << ' ';
  for (const TcoCounterSlot& slot : table.counters()) rest << slot.count << '/' << slot.ownerKey << ' ';
  return written + rest.str() + std::to_string(table.countersInUse());
}

// 20 a quadruple key with counter 6 on its covered position 21; 50 holds
// counter 7; 1 holds counter 8 and the label "Tea"; 7 the label "Milk".
KeyTable startTable() {
  KeyTable table = gridTable();
  table.mergeQuadruple(20);
  table.counterOn(20, KeyPosition::TopRight, 6);
  table.counterOn(50, KeyPosition::TopLeft, 7);
  table.counterOn(1, KeyPosition::TopLeft, 8);
  table.setLabel(1, "Tea");
  table.setLabel(7, "Milk");
  return table;
}

struct EditCase {
  const char* name;
  std::function<void(KeyTable&)> edit;
};

const EditCase kEdits[] = {
    {"value of a single key", [](KeyTable& t) { t.setValue(5, 40); }},
    {"value of a quadruple key", [](KeyTable& t) { t.setValue(20, 7); }},
    {"double key right over a counter and a label", [](KeyTable& t) { t.mergeRight(0); }},
    {"double key down", [](KeyTable& t) { t.mergeDown(30); }},
    {"quadruple key", [](KeyTable& t) { t.mergeQuadruple(40); }},
    {"single key from a quadruple with a counter", [](KeyTable& t) { t.splitKey(20); }},
    {"counter on", [](KeyTable& t) { t.counterOn(5, KeyPosition::TopLeft, 9); }},
    {"counter off", [](KeyTable& t) { t.counterOff(50); }},
    {"counter changed", [](KeyTable& t) { t.counterOn(50, KeyPosition::TopLeft, 12); }},
    {"counter taken from another key", [](KeyTable& t) { t.counterOn(60, KeyPosition::TopLeft, 7); }},
    {"label", [](KeyTable& t) { t.setLabel(7, "Espresso"); }},
    {"value and label, as a paste", [](KeyTable& t) {
       t.setValue(7, 12);
       t.setLabel(7, "Latte");
     }},
    {"whole table, as an Upload", [](KeyTable& t) {
       KeyTable uploaded = gridTable();
       uploaded.takeKeyboardValue(10, 77);
       uploaded.mergeRight(70);
       uploaded.setLabel(7, "Milk");
       t = uploaded;
     }},
};

TEST(TableChange, UndoGivesTheTableAsBeforeAndRedoTheEditedOneForEveryEdit) {
  for (const EditCase& edit : kEdits) {
    SCOPED_TRACE(edit.name);
    const KeyTable before = startTable();
    KeyTable table = before;
    edit.edit(table);
    const std::string edited = wholeTable(table);
    ASSERT_NE(edited, wholeTable(before));
    const TableChange change(before, table);
    ASSERT_FALSE(change.empty());

    change.undo(table);
    EXPECT_EQ(wholeTable(table), wholeTable(before));
    EXPECT_EQ(invariantViolations(table), "");
    change.redo(table);
    EXPECT_EQ(wholeTable(table), edited);
    EXPECT_EQ(invariantViolations(table), "");
    // Undone and redone again: the same two tables, not a drift.
    change.undo(table);
    change.redo(table);
    EXPECT_EQ(wholeTable(table), edited);
  }
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

TEST(TableChange, AnEditThatChangedNothingIsEmpty) {
  const KeyTable before = startTable();
  KeyTable table = before;
  table.mergeRight(21);  // covered: refused
  table.counterOff(5);   // holds none
  table.setLabel(7, " Milk ");
  EXPECT_TRUE(TableChange(before, table).empty());
  EXPECT_TRUE(TableChange(before, table).keys().empty());
}

}  // namespace
}  // namespace q4t

// What changes between two key tables on the keyboard. The keyboard holds
// what a Download writes: each position's value and size, and the owners of
// counters 6 to 29. Links between keys stay out (the keyboard has its own),
// and so do labels, which never reach it: their changes are listed apart.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/KeyTable.h"

namespace q4t {

// One key whose value or shape changes. A covered position whose new value
// is its owner's belongs to the owner's change and has none of its own.
struct KeyChange {
  int key = 0;
  std::string label;  // the new table's label, else the old one's
  std::int32_t oldValue = -1;
  std::int32_t newValue = -1;
  KeySize oldSize = KeySize::Single;
  KeySize newSize = KeySize::Single;
  bool reshaped = false;  // merged, split or given another shape
  int partOf = -1;        // the key that covers it in the new table, -1 when none does
};

enum class CounterMove { Added, Removed, Moved };

// One counter whose owner changes; -1 stands for no owner.
struct CounterChange {
  int counter = 0;
  int oldKey = -1;
  int newKey = -1;
  CounterMove move() const;
};

struct LabelChange {
  int key = 0;
  std::string oldLabel;
  std::string newLabel;
};

struct TableDiff {
  std::vector<KeyChange> keys;          // in key order
  std::vector<CounterChange> counters;  // in counter order
  std::vector<LabelChange> labels;      // in key order
  bool keyboardSame() const { return keys.empty() && counters.empty(); }
  int valueChanges() const;
  int shapeChanges() const;
};

// From the old table to the new one.
TableDiff diffTables(const KeyTable& oldTable, const KeyTable& newTable);

// The keyboard would hold the same after a Download of either table.
bool keyboardHoldsSame(const KeyTable& a, const KeyTable& b);

// "7 keys, 1 double key and 2 counters change", label changes after a
// semicolon; "Nothing changes on the keyboard" when only labels or nothing do.
std::string diffSummary(const TableDiff& diff);

// "single", "double right", "double down", "quadruple", "covered", else "size N".
std::string shapeName(KeySize size);

// "added", "removed", "moved".
const char* moveName(CounterMove move);

}  // namespace q4t

// The keys a key layout shows, placed as the key layout window places them:
// every position that no merged neighbour covers, in the form's units.
#pragma once

#include <array>
#include <utility>
#include <vector>

#include "model/KeyTable.h"
#include "model/KeyboardGrid.h"

namespace q4t {

// A rectangle on the layout form, in its units (one key is 22 x 18).
struct FormRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// Key k's place before any merging.
FormRect homeFormRect(int k);

// The rectangle around every key's home place.
FormRect keyboardFormRect();

// Columns and rows that k's shape spans, 1 x 1 when a named neighbour is
// missing: a merge counts only when its neighbours exist.
std::pair<int, int> spanOf(const KeyTable& table, int k);

struct ShownKey {
  int key = 0;
  int columns = 1;  // 2 for a key merged to the right
  int rows = 1;     // 2 for a key merged downwards
  FormRect rect;    // the home place grown by the merge
};

// hidden[k]: a merged neighbour covers key k, so that it is not shown.
using HiddenKeys = std::array<bool, kKeyCount>;
HiddenKeys hiddenKeys(const KeyTable& table);

// Top row first, left to right. A merge counts only when the neighbours it
// names exist, as on the screen.
std::vector<ShownKey> shownKeys(const KeyTable& table);

}  // namespace q4t

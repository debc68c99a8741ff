// Where the 92 key positions sit: six rows, row 1 at the bottom; rows 1 to 4
// hold columns 0 to 17, rows 5 and 6 only columns 8 to 17.
#pragma once

namespace q4t {

constexpr int kGridRows = 6;
constexpr int kGridColumns = 18;

struct GridCell {
  int row = 0;     // 1 (bottom) to 6 (top)
  int column = 0;  // 0 to 17
};

GridCell gridCellOf(int k);
int keyAt(int row, int column);  // -1 where the grid has no key

// The neighbours as the grid has them, -1 where there is none.
int gridRight(int k);
int gridDown(int k);
int gridDownRight(int k);

}  // namespace q4t

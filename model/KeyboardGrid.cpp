#include "model/KeyboardGrid.h"

namespace q4t {

namespace {
constexpr int kFullRows = 4;
constexpr int kShortRowFirstColumn = 8;
constexpr int kShortRowLength = kGridColumns - kShortRowFirstColumn;
constexpr int kFullRowKeys = kFullRows * kGridColumns;
}  // namespace

GridCell gridCellOf(int k) {
  if (k < kFullRowKeys) return {k / kGridColumns + 1, k % kGridColumns};
  const int shortIndex = k - kFullRowKeys;
  return {kFullRows + 1 + shortIndex / kShortRowLength,
          kShortRowFirstColumn + shortIndex % kShortRowLength};
}

int keyAt(int row, int column) {
  if (row < 1 || row > kGridRows || column < 0 || column >= kGridColumns) return -1;
  if (row <= kFullRows) return (row - 1) * kGridColumns + column;
  if (column < kShortRowFirstColumn) return -1;
  return kFullRowKeys + (row - kFullRows - 1) * kShortRowLength + column - kShortRowFirstColumn;
}

int gridRight(int k) {
  const GridCell cell = gridCellOf(k);
  return keyAt(cell.row, cell.column + 1);
}

int gridDown(int k) {
  const GridCell cell = gridCellOf(k);
  return keyAt(cell.row - 1, cell.column);
}

int gridDownRight(int k) {
  const GridCell cell = gridCellOf(k);
  return keyAt(cell.row - 1, cell.column + 1);
}

}  // namespace q4t

#include "model/ShownKeys.h"

#include <algorithm>
#include <array>

namespace q4t {

namespace {
constexpr int kKeyWidth = 22;
constexpr int kKeyHeight = 18;
constexpr int kFirstColumnX = 2;
// Top edges of rows 1 (bottom) to 6; rows 4 to 6 overlap the row below by one unit.
constexpr std::array<int, kGridRows> kRowTop = {94, 76, 58, 41, 24, 7};
}  // namespace

std::pair<int, int> spanOf(const KeyTable& table, int k) {
  const int right = table.rightOf(k), down = table.downOf(k), downRight = table.downRightOf(k);
  switch (table.entry(k).size) {
    case KeySize::DoubleRight: return right >= 0 ? std::pair{2, 1} : std::pair{1, 1};
    case KeySize::DoubleDown: return down >= 0 ? std::pair{1, 2} : std::pair{1, 1};
    case KeySize::Quadruple:
      return right >= 0 && down >= 0 && downRight >= 0 ? std::pair{2, 2} : std::pair{1, 1};
    default: return {1, 1};
  }
}

FormRect homeFormRect(int k) {
  const GridCell cell = gridCellOf(k);
  return {kFirstColumnX + kKeyWidth * cell.column, kRowTop[static_cast<std::size_t>(cell.row - 1)],
          kKeyWidth, kKeyHeight};
}

FormRect keyboardFormRect() {
  const int top = kRowTop.back(), bottom = kRowTop.front() + kKeyHeight;
  return {kFirstColumnX, top, kKeyWidth * kGridColumns, bottom - top};
}

HiddenKeys hiddenKeys(const KeyTable& table) {
  HiddenKeys covered{};
  for (int k = 0; k < kKeyCount; ++k) {
    const auto [columns, rows] = spanOf(table, k);
    if (columns == 2) covered[static_cast<std::size_t>(table.rightOf(k))] = true;
    if (rows == 2) covered[static_cast<std::size_t>(table.downOf(k))] = true;
    if (columns == 2 && rows == 2) covered[static_cast<std::size_t>(table.downRightOf(k))] = true;
  }
  return covered;
}

std::vector<ShownKey> shownKeys(const KeyTable& table) {
  const HiddenKeys covered = hiddenKeys(table);
  std::vector<ShownKey> shown;
  for (int k = 0; k < kKeyCount; ++k) {
    const auto [columns, rows] = spanOf(table, k);
    FormRect rect = homeFormRect(k);
    rect.width *= columns;
    rect.height *= rows;
    shown.push_back({k, columns, rows, rect});
  }
  std::erase_if(shown, [&covered](const ShownKey& key) { return covered[static_cast<std::size_t>(key.key)]; });
  std::stable_sort(shown.begin(), shown.end(), [](const ShownKey& a, const ShownKey& b) {
    const GridCell ca = gridCellOf(a.key), cb = gridCellOf(b.key);
    return ca.row != cb.row ? ca.row > cb.row : ca.column < cb.column;
  });
  return shown;
}

}  // namespace q4t

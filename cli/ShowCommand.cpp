#include "cli/ShowCommand.h"

#include <algorithm>
#include <array>
#include <vector>

#include "model/KeyboardGrid.h"

namespace q4t {

namespace {

constexpr int kMinValueWidth = 4;  // a cell holds a space, the value and the counter mark
constexpr int kNoCell = -2;        // no key at this grid place

using OwnerGrid = std::array<std::array<int, kGridColumns>, kGridRows + 2>;

// ownerAt[row][column]: the key whose cell covers that grid place.
OwnerGrid ownersOf(const KeyTable& table) {
  OwnerGrid owner;
  for (auto& row : owner) row.fill(kNoCell);
  for (int k = 0; k < kKeyCount; ++k) {
    const GridCell cell = gridCellOf(k);
    owner[static_cast<std::size_t>(cell.row)][static_cast<std::size_t>(cell.column)] = k;
  }
  for (int k = 0; k < kKeyCount; ++k)
    for (int covered : table.groupOf(k)) {
      const GridCell cell = gridCellOf(covered);
      owner[static_cast<std::size_t>(cell.row)][static_cast<std::size_t>(cell.column)] = k;
    }
  return owner;
}

int ownerAt(const OwnerGrid& owner, int row, int column) {
  if (row < 1 || row > kGridRows || column < 0 || column >= kGridColumns) return kNoCell;
  return owner[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

// The number of characters of the widest value, at least least.
std::size_t widestValue(const KeyTable& table, std::size_t least) {
  std::size_t widest = least;
  for (int k = 0; k < kKeyCount; ++k) widest = std::max(widest, std::to_string(table.entry(k).value).size());
  return widest;
}

// The width of every cell, border included: wide enough for the widest value.
int cellWidthFor(const KeyTable& table) { return static_cast<int>(widestValue(table, kMinValueWidth)) + 2; }

class Canvas {
 public:
  explicit Canvas(int cellWidth)
      : lines_(2 * kGridRows + 1, std::string(static_cast<std::size_t>(kGridColumns * cellWidth + 1), ' ')) {}
  // at(): a place outside the canvas is a fault in the drawing, never a write elsewhere.
  void put(int x, int y, char c) { lines_.at(static_cast<std::size_t>(y)).at(static_cast<std::size_t>(x)) = c; }
  void text(int x, int y, const std::string& s) {
    for (std::size_t i = 0; i < s.size(); ++i) put(x + static_cast<int>(i), y, s[i]);
  }
  std::string str() const {
    std::string out;
    for (std::string line : lines_) {
      line.erase(line.find_last_not_of(' ') + 1);
      out += line + "\n";
    }
    return out;
  }

 private:
  std::vector<std::string> lines_;
};

int lineY(int row) { return 2 * (kGridRows - row); }  // the border above a row


void drawBorders(Canvas& canvas, const OwnerGrid& owner, int cellWidth) {
  for (int line = 0; line <= kGridRows; ++line) {
    const int above = kGridRows + 1 - line, below = kGridRows - line;
    for (int column = 0; column < kGridColumns; ++column)
      if (ownerAt(owner, above, column) != ownerAt(owner, below, column))
        for (int x = 1; x < cellWidth; ++x) canvas.put(column * cellWidth + x, 2 * line, '-');
  }
  for (int row = 1; row <= kGridRows; ++row)
    for (int edge = 0; edge <= kGridColumns; ++edge)
      if (ownerAt(owner, row, edge - 1) != ownerAt(owner, row, edge))
        canvas.put(edge * cellWidth, lineY(row) + 1, '|');
  for (int line = 0; line <= kGridRows; ++line)
    for (int edge = 0; edge <= kGridColumns; ++edge) {
      const int up = kGridRows + 1 - line, down = kGridRows - line;
      const int upLeft = ownerAt(owner, up, edge - 1), upRight = ownerAt(owner, up, edge);
      const int downLeft = ownerAt(owner, down, edge - 1), downRight = ownerAt(owner, down, edge);
      const bool across = upLeft != downLeft || upRight != downRight;
      const bool along = upLeft != upRight || downLeft != downRight;
      if (across || along) canvas.put(edge * cellWidth, 2 * line, across && along ? '+' : (across ? '-' : '|'));
    }
}

void drawTexts(Canvas& canvas, const KeyTable& table, const OwnerGrid& owner, int cellWidth) {
  for (int k = 0; k < kKeyCount; ++k) {
    const GridCell cell = gridCellOf(k);
    const bool ownsCell = ownerAt(owner, cell.row, cell.column) == k;
    std::string text = std::to_string(table.entry(k).value);
    text.insert(0, static_cast<std::size_t>(cellWidth - 2) - text.size(), ' ');
    const int x = cell.column * cellWidth + 1, y = lineY(cell.row) + 1;
    if (ownsCell) canvas.text(x, y, text);
    if (table.isCounterOn(k)) canvas.put(x + cellWidth - 2, y, '*');
  }
}

std::string counterList(const KeyTable& table) {
  std::string out = "Counters in use: " + std::to_string(table.countersInUse()) + "\n";
  for (int c = kFirstKeyCounter; c <= kLastKeyCounter; ++c)
    if (!table.isSlotFree(c))
      out += "  counter " + std::to_string(c) + ": key " +
             std::to_string(table.counters()[static_cast<std::size_t>(c)].ownerKey) + "\n";
  return out;
}

std::string padLeft(const std::string& text, std::size_t width) {
  return std::string(width > text.size() ? width - text.size() : 0, ' ') + text;
}

// One row per key with a label, in key order: key, value, label.
std::string labelList(const KeyTable& table) {
  const std::size_t valueWidth = widestValue(table, std::string("value").size());
  std::string out = "key  " + padLeft("value", valueWidth) + "  label\n";
  for (int k = 0; k < kKeyCount; ++k)
    if (!table.label(k).empty())
      out += padLeft(std::to_string(k), 3) + "  " + padLeft(std::to_string(table.entry(k).value), valueWidth) +
             "  " + table.label(k) + "\n";
  return out;
}

}  // namespace

std::string renderKeyTable(const KeyTable& table) {
  const OwnerGrid owner = ownersOf(table);
  const int cellWidth = cellWidthFor(table);
  Canvas canvas(cellWidth);
  drawBorders(canvas, owner, cellWidth);
  drawTexts(canvas, table, owner, cellWidth);
  std::string out = canvas.str() + "* holds a TCO counter\n" + counterList(table);
  if (table.hasLabels()) out += labelList(table);
  return out;
}

}  // namespace q4t

#include "print/InsertPlaces.h"

#include <algorithm>

#include "model/KeyboardGrid.h"
#include "print/InsertLegends.h"

namespace q4t {

namespace {
constexpr double kMarginMm = kInsertSpacingMm / 2;
constexpr double kPieceGapMm = 2 * kInsertSpacingMm;  // tells the keyboard's pieces apart

// Rows as full as the page is wide, in keyboard order; a row that does not
// fit the page starts the next.
std::vector<LegendBox> placeInRows(const std::vector<ShownKey>& keys, const SheetOptions& options, QSizeF roomMm) {
  const double right = roomMm.width() - kMarginMm, bottom = roomMm.height() - kMarginMm;
  double x = kMarginMm, y = kMarginMm, rowHeight = 0;
  int page = 0;
  std::vector<LegendBox> boxes;
  for (const ShownKey& key : keys) {
    const QSizeF size = insertSizeOf(key, options);
    if (x + size.width() > right && x > kMarginMm) {
      x = kMarginMm;
      y += rowHeight + kInsertSpacingMm;
      rowHeight = 0;
    }
    if (y + size.height() > bottom && y > kMarginMm) {
      ++page;
      x = kMarginMm;
      y = kMarginMm;
      rowHeight = 0;
    }
    boxes.push_back({key.key, page, QRectF(QPointF(x, y), size)});
    x += size.width() + kInsertSpacingMm;
    rowHeight = std::max(rowHeight, size.height());
  }
  return boxes;
}

// Cells [from, to) along the keyboard's columns or rows.
struct Run {
  int from = 0;
  int to = 0;
  bool holds(int cell) const { return cell >= from && cell < to; }
};

struct Place {
  int column = 0;
  int row = 0;  // 0 at the top
};

Place placeOf(const ShownKey& key) {
  const GridCell cell = gridCellOf(key.key);
  return {cell.column, kGridRows - cell.row};
}

// The keyboard cut into pieces that fit a page, each placed by the keys' own
// columns and rows at one pitch.
class KeyboardPieces {
 public:
  KeyboardPieces(const std::vector<ShownKey>& keys, const SheetOptions& options)
      : keys_(keys), options_(options), pitch_(options.capMm + std::max(kInsertSpacingMm, options.gapMm)) {}

  std::vector<LegendBox> place(QSizeF roomMm) const {
    const double width = roomMm.width() - 2 * kMarginMm, height = roomMm.height() - 2 * kMarginMm;
    std::vector<LegendBox> boxes(keys_.size());
    int page = 0;
    double y = kMarginMm;
    for (const Run columns : runs(false, kGridColumns, Run{0, kGridRows}, width))
      for (const Run rows : runs(true, kGridRows, columns, height)) {
        const double pieceHeight = reach(true, rows, columns);
        if (y + pieceHeight > kMarginMm + height && y > kMarginMm) {
          ++page;
          y = kMarginMm;
        }
        for (std::size_t i = 0; i < keys_.size(); ++i) {
          const Place at = placeOf(keys_[i]);
          if (!columns.holds(at.column) || !rows.holds(at.row)) continue;
          const QPointF corner(kMarginMm + (at.column - columns.from) * pitch_, y + (at.row - rows.from) * pitch_);
          boxes[i] = {keys_[i].key, page, QRectF(corner, insertSizeOf(keys_[i], options_))};
        }
        y += pieceHeight + kPieceGapMm;
      }
    return boxes;
  }

 private:
  // How far the keys that start in run (and in band across it) reach from
  // the run's start, in mm; 0 when none does.
  double reach(bool alongRows, Run run, Run band) const {
    double reach = 0;
    for (const ShownKey& key : keys_) {
      const Place at = placeOf(key);
      const int start = alongRows ? at.row : at.column;
      if (!run.holds(start) || !band.holds(alongRows ? at.column : at.row)) continue;
      const QSizeF size = insertSizeOf(key, options_);
      reach = std::max(reach, (start - run.from) * pitch_ + (alongRows ? size.height() : size.width()));
    }
    return reach;
  }

  // The cells along one axis cut into runs that reach no further than limit;
  // a run grows while its keys fit, so no merged key is cut. Empty cells
  // before a run are left out.
  std::vector<Run> runs(bool alongRows, int cells, Run band, double limit) const {
    std::vector<Run> runs;
    for (int from = 0; from < cells;) {
      if (reach(alongRows, {from, from + 1}, band) == 0) {
        ++from;
        continue;
      }
      int to = from + 1;
      while (to < cells && reach(alongRows, {from, to + 1}, band) <= limit) ++to;
      runs.push_back({from, to});
      from = to;
    }
    return runs;
  }

  const std::vector<ShownKey>& keys_;
  const SheetOptions& options_;
  double pitch_;
};
}  // namespace

std::vector<LegendBox> placeInserts(const std::vector<ShownKey>& keys, const SheetOptions& options, QSizeF roomMm) {
  return options.asKeyboard ? KeyboardPieces(keys, options).place(roomMm) : placeInRows(keys, options, roomMm);
}

}  // namespace q4t

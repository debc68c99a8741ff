// Where the legend inserts go on the pages: as many as fit on a page, none
// split between pages, far enough apart for their cut marks.
#pragma once

#include <QRectF>
#include <vector>

#include "model/ShownKeys.h"
#include "print/SheetOptions.h"

namespace q4t {

// Room between two inserts, and around them, for the cut marks.
constexpr double kInsertSpacingMm = 6.0;

struct LegendBox {
  int key = 0;
  int page = 0;
  QRectF rectMm;  // on its page's area
};

// The boxes of keys, in their order, on pages whose room for inserts is roomMm:
// in rows in keyboard order, or as on the keyboard (options.asKeyboard).
std::vector<LegendBox> placeInserts(const std::vector<ShownKey>& keys, const SheetOptions& options, QSizeF roomMm);

}  // namespace q4t

// The legend inserts: one box per shown key at its size in millimetres, the
// label large and centred, the value small in a corner, cut marks at the
// corners; as many boxes per page as fit, in grid order, none split.
#pragma once

#include <QRectF>
#include <QString>
#include <vector>

#include "print/SheetOptions.h"

class QPainter;

namespace q4t {

class PageArea;

struct LegendBox {
  int key = 0;
  int page = 0;
  QRectF rectMm;  // on its page's area
};

class LegendSheet {
 public:
  LegendSheet(const SheetSource& source, const SheetOptions& options, QSizeF areaMm);

  int pageCount() const { return pages_; }
  void paintPage(QPainter& painter, const PageArea& area, int page) const;

 private:
  // Room between two boxes for their cut marks.
  static constexpr double kSpacingMm = 6.0;

  void place(QSizeF areaMm);
  void paintBox(QPainter& painter, const PageArea& area, const LegendBox& box) const;
  void paintFooter(QPainter& painter, const PageArea& area, int page) const;

  const SheetSource& source_;
  SheetOptions options_;
  std::vector<LegendBox> boxes_;
  int pages_ = 1;
};

}  // namespace q4t

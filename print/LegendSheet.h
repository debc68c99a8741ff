// The legend inserts: one box per shown key at its size in millimetres, the
// legend large and centred, the key's position number and value small at
// the bottom, cut marks at the corners; as many boxes per page as fit, none
// split.
#pragma once

#include <vector>

#include "print/InsertLegends.h"
#include "print/InsertPlaces.h"
#include "print/SheetOptions.h"

class QPainter;

namespace q4t {

class PageArea;

class LegendSheet {
 public:
  static constexpr double kFooterMm = 6.0;

  LegendSheet(const SheetSource& source, const SheetOptions& options, QSizeF areaMm);

  int pageCount() const { return pages_; }
  // In the order of the legends.
  const std::vector<LegendBox>& boxes() const { return boxes_; }
  const InsertLegends& legends() const { return legends_; }
  void paintPage(QPainter& painter, const PageArea& area, int page) const;

 private:
  void paintBox(QPainter& painter, const PageArea& area, const LegendBox& box, const InsertLegend& legend) const;
  void paintFooter(QPainter& painter, const PageArea& area, int page) const;

  const SheetSource& source_;
  SheetOptions options_;
  InsertLegends legends_;
  std::vector<LegendBox> boxes_;
  int pages_ = 1;
};

}  // namespace q4t

// The one routine that paints both sheets, page by page, onto any device:
// the screen's preview, a printer, a PDF or SVG file or an image.
#pragma once

#include <QPageLayout>
#include <memory>

#include "print/SheetOptions.h"

class QPainter;

namespace q4t {

class LegendSheet;
class PageArea;

class SheetPainter {
 public:
  // areaMm: the paintable part of one page.
  SheetPainter(const SheetSource& source, const SheetOptions& options, QSizeF areaMm);
  ~SheetPainter();

  // The layout is one landscape page; the inserts fill portrait pages.
  static QPageLayout::Orientation orientationOf(SheetKind kind);

  int pageCount() const;
  void paintPage(QPainter& painter, const PageArea& area, int page) const;

 private:
  const SheetSource& source_;
  std::unique_ptr<LegendSheet> legends_;
};

}  // namespace q4t

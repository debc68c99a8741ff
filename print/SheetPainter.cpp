#include "print/SheetPainter.h"

#include <QPainter>

#include "print/LayoutSheet.h"
#include "print/LegendSheet.h"
#include "print/PageArea.h"

namespace q4t {

SheetPainter::SheetPainter(const SheetSource& source, const SheetOptions& options, QSizeF areaMm)
    : source_(source) {
  if (options.kind == SheetKind::Legends) legends_ = std::make_unique<LegendSheet>(source, options, areaMm);
}

SheetPainter::~SheetPainter() = default;

QPageLayout::Orientation SheetPainter::orientationOf(SheetKind kind) {
  return kind == SheetKind::Layout ? QPageLayout::Landscape : QPageLayout::Portrait;
}

int SheetPainter::pageCount() const { return legends_ ? legends_->pageCount() : 1; }

void SheetPainter::paintPage(QPainter& painter, const PageArea& area, int page) const {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  // No ligatures: a PDF's text must hold "Kaffee", not a glyph for "ff".
  QFont font = painter.font();
  font.setStyleStrategy(QFont::PreferNoShaping);
  painter.setFont(font);
  if (legends_) {
    legends_->paintPage(painter, area, page);
  } else {
    LayoutSheet(source_).paint(painter, area);
  }
  painter.restore();
}

}  // namespace q4t

#include "print/LegendSheet.h"

#include <QPainter>
#include <algorithm>

#include "model/ShownKeys.h"
#include "print/PageArea.h"
#include "print/SheetText.h"

namespace q4t {

namespace {
constexpr double kFooterMm = 6.0;
constexpr double kMarkGapMm = 1.0;     // a cut mark starts this far from its corner
constexpr double kMarkLengthMm = 1.5;
constexpr double kInsetMm = 1.0;       // the label keeps off the edges
constexpr double kValueLineMm = 2.5;   // the corner value's line at the bottom
constexpr double kLargestLabelPt = 16.0;
constexpr double kSmallestLabelPt = 4.0;
const QColor kOutline(160, 160, 160);

double spanMm(int caps, const SheetOptions& options) { return caps * options.capMm + (caps - 1) * options.gapMm; }
}  // namespace

LegendSheet::LegendSheet(const SheetSource& source, const SheetOptions& options, QSizeF areaMm)
    : source_(source), options_(options) {
  place(areaMm);
}

// Shelves: left to right until the row is full, then the next row below the
// tallest box of this one; a box that does not fit the page starts the next.
void LegendSheet::place(QSizeF areaMm) {
  const double margin = kSpacingMm / 2;
  const double right = areaMm.width() - margin, bottom = areaMm.height() - kFooterMm - margin;
  double x = margin, y = margin, shelfHeight = 0;
  int page = 0;
  for (const ShownKey& key : shownKeys(source_.table)) {
    const QSizeF size(spanMm(key.columns, options_), spanMm(key.rows, options_));
    if (x + size.width() > right && x > margin) {
      x = margin;
      y += shelfHeight + kSpacingMm;
      shelfHeight = 0;
    }
    if (y + size.height() > bottom && y > margin) {
      ++page;
      x = margin;
      y = margin;
      shelfHeight = 0;
    }
    boxes_.push_back({key.key, page, QRectF(QPointF(x, y), size)});
    x += size.width() + kSpacingMm;
    shelfHeight = std::max(shelfHeight, size.height());
  }
  pages_ = page + 1;
}

void LegendSheet::paintPage(QPainter& painter, const PageArea& area, int page) const {
  for (const LegendBox& box : boxes_)
    if (box.page == page) paintBox(painter, area, box);
  paintFooter(painter, area, page);
}

void LegendSheet::paintBox(QPainter& painter, const PageArea& area, const LegendBox& box) const {
  const QRectF mm = box.rectMm;
  painter.setPen(QPen(kOutline, area.units(0.1)));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(area.rect(mm));
  painter.setPen(QPen(Qt::black, area.units(0.15)));
  const double near = kMarkGapMm, far = kMarkGapMm + kMarkLengthMm;
  for (const QPointF corner : {mm.topLeft(), mm.topRight(), mm.bottomLeft(), mm.bottomRight()}) {
    const double outX = corner.x() == mm.left() ? -1 : 1, outY = corner.y() == mm.top() ? -1 : 1;
    painter.drawLine(area.point(corner.x() + outX * near, corner.y()), area.point(corner.x() + outX * far, corner.y()));
    painter.drawLine(area.point(corner.x(), corner.y() + outY * near), area.point(corner.x(), corner.y() + outY * far));
  }
  const QString value = QString::number(source_.table.entry(box.key).value);
  const QString label = QString::fromStdString(source_.table.label(box.key));
  const QRectF labelMm = mm.adjusted(kInsetMm, kInsetMm, -kInsetMm, -kValueLineMm);
  drawFittedText(painter, area.rect(labelMm), label.isEmpty() ? value : label, kLargestLabelPt, kSmallestLabelPt);
  if (label.isEmpty()) return;
  QFont small = painter.font();
  small.setPointSizeF(5);
  small.setBold(false);
  painter.setFont(small);
  painter.setPen(Qt::darkGray);
  const QRectF valueMm(mm.left(), mm.bottom() - kValueLineMm, mm.width() - 0.7, kValueLineMm - 0.3);
  painter.drawText(area.rect(valueMm), Qt::AlignRight | Qt::AlignBottom | Qt::TextSingleLine, value);
}

void LegendSheet::paintFooter(QPainter& painter, const PageArea& area, int page) const {
  QFont font = painter.font();
  font.setPointSizeF(7);
  font.setBold(false);
  painter.setFont(font);
  painter.setPen(Qt::darkGray);
  const QSizeF size = area.sizeMm();
  const QString text = QObject::tr("%1 - legend inserts, key %2 mm, gap %3 mm - page %4 of %5")
                           .arg(source_.title, QString::number(options_.capMm), QString::number(options_.gapMm))
                           .arg(page + 1)
                           .arg(pages_);
  painter.drawText(area.rect(QRectF(0, size.height() - kFooterMm + 1, size.width(), kFooterMm - 1)),
                   Qt::AlignLeft | Qt::AlignBottom | Qt::TextSingleLine, text);
}

}  // namespace q4t

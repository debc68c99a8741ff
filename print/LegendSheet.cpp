#include "print/LegendSheet.h"

#include <QFontMetricsF>
#include <QPainter>

#include "print/PageArea.h"
#include "print/SheetText.h"

namespace q4t {

namespace {
constexpr double kMarkGapMm = 1.0;  // a cut mark starts this far from its corner
constexpr double kMarkLengthMm = 1.5;
constexpr double kSmallPt = 5.0;
const QColor kOutline(160, 160, 160);
}  // namespace

LegendSheet::LegendSheet(const SheetSource& source, const SheetOptions& options, QSizeF areaMm)
    : source_(source), options_(options), legends_(source.table, options) {
  std::vector<ShownKey> keys;
  for (const InsertLegend& legend : legends_.legends()) keys.push_back(legend.key);
  boxes_ = placeInserts(keys, options, QSizeF(areaMm.width(), areaMm.height() - kFooterMm));
  for (const LegendBox& box : boxes_) pages_ = std::max(pages_, box.page + 1);
}

void LegendSheet::paintPage(QPainter& painter, const PageArea& area, int page) const {
  for (std::size_t i = 0; i < boxes_.size(); ++i)
    if (boxes_[i].page == page) paintBox(painter, area, boxes_[i], legends_.legends()[i]);
  paintFooter(painter, area, page);
}

void LegendSheet::paintBox(QPainter& painter, const PageArea& area, const LegendBox& box,
                           const InsertLegend& legend) const {
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
  drawSetText(painter, area, legendRectIn(mm), legend.set);
  // The position number at the left matches the insert to its key; the
  // value stands at the right when the label is the legend.
  painter.setFont(legendFont(kSmallPt));
  painter.setPen(Qt::darkGray);
  const QRectF line = area.rect(smallLineIn(mm));
  const QString number = QStringLiteral("#%1").arg(box.key);
  painter.drawText(line, Qt::AlignLeft | Qt::AlignBottom | Qt::TextSingleLine, number);
  if (sheetLabel(source_.table, box.key).isEmpty()) return;
  const double numberWidth = QFontMetricsF(painter.font(), painter.device()).horizontalAdvance(number + QLatin1Char(' '));
  drawElidedText(painter, line.adjusted(numberWidth, 0, 0, 0), QString::number(source_.table.entry(box.key).value),
                 Qt::AlignRight | Qt::AlignBottom);
}

void LegendSheet::paintFooter(QPainter& painter, const PageArea& area, int page) const {
  painter.setFont(legendFont(7));
  painter.setPen(Qt::darkGray);
  const QSizeF size = area.sizeMm();
  const QString text = QObject::tr("%1 - legend inserts, key %2 mm, gap %3 mm - page %4 of %5")
                           .arg(sheetText(source_.title), QString::number(options_.capMm), QString::number(options_.gapMm))
                           .arg(page + 1)
                           .arg(pages_);
  painter.drawText(area.rect(QRectF(0, size.height() - kFooterMm + 1, size.width(), kFooterMm - 1)),
                   Qt::AlignLeft | Qt::AlignBottom | Qt::TextSingleLine, text);
}

}  // namespace q4t

#include "print/SheetText.h"

#include <QFontMetricsF>
#include <QPainter>

namespace q4t {

namespace {
constexpr double kStepPt = 0.5;
constexpr int kMaxLines = 2;

bool fits(const QFontMetricsF& metrics, const QRectF& rect, const QString& text) {
  const QRectF needed = metrics.boundingRect(rect, Qt::AlignCenter | Qt::TextWordWrap, text);
  return needed.width() <= rect.width() && needed.height() <= rect.height() &&
         needed.height() < (kMaxLines + 0.5) * metrics.lineSpacing();
}
}  // namespace

void drawFittedText(QPainter& painter, const QRectF& rect, const QString& text, double largestPt, double smallestPt) {
  QFont font = painter.font();
  painter.setPen(Qt::black);
  for (double size = largestPt; size >= smallestPt; size -= kStepPt) {
    font.setPointSizeF(size);
    // Measured on the painter's own device, whose resolution sets the point size.
    if (fits(QFontMetricsF(font, painter.device()), rect, text)) {
      painter.setFont(font);
      painter.drawText(rect, Qt::AlignCenter | Qt::TextWordWrap, text);
      return;
    }
  }
  font.setPointSizeF(smallestPt);
  painter.setFont(font);
  drawElidedText(painter, rect, text, Qt::AlignCenter);
}

void drawWrappedOrElidedText(QPainter& painter, const QRectF& rect, const QString& text, int alignment) {
  const QFontMetricsF metrics(painter.font(), painter.device());
  const QRectF needed = metrics.boundingRect(rect, alignment | Qt::TextWordWrap, text);
  if (needed.width() <= rect.width() && needed.height() <= rect.height()) {
    painter.drawText(rect, alignment | Qt::TextWordWrap, text);
  } else {
    drawElidedText(painter, rect, text, alignment);
  }
}

void drawElidedText(QPainter& painter, const QRectF& rect, const QString& text, int alignment) {
  const QFontMetricsF metrics(painter.font(), painter.device());
  const QString shown = metrics.elidedText(text, Qt::ElideRight, rect.width());
  painter.drawText(rect, alignment | Qt::TextSingleLine, shown);
}

}  // namespace q4t

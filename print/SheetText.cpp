#include "print/SheetText.h"

#include <QFontMetricsF>
#include <QPainter>

#include "model/KeyTable.h"

namespace q4t {

namespace {
constexpr char32_t kReplacement = 0xFFFD;

bool isXmlCharacter(char32_t c) {
  if (c < 0x20) return c == '\t' || c == '\n' || c == '\r';
  return c != 0xFFFE && c != 0xFFFF;
}
}  // namespace

QString sheetText(const QString& text) {
  // toUcs4 already gives a lone surrogate as U+FFFD.
  QString shown;
  for (const char32_t c : text.toUcs4()) {
    const char32_t kept = isXmlCharacter(c) ? c : kReplacement;
    shown += QString::fromUcs4(&kept, 1);
  }
  return shown;
}

QString sheetLabel(const KeyTable& table, int k) { return sheetText(QString::fromStdString(table.label(k))); }

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

#include "print/LayoutSheet.h"

#include <QLocale>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "model/ShownKeys.h"
#include "print/PageArea.h"
#include "print/SheetText.h"

namespace q4t {

namespace {
constexpr double kHeaderMm = 12.0;
constexpr double kCounterLineMm = 5.0;
constexpr double kCounterColumnMm = 90.0;
constexpr double kStripeShare = 5.0 / 22.0;  // the window's 5-pixel stripe of a 22-unit key
const QColor kKeyFace(244, 244, 244);
const QColor kStripeYellow(255, 255, 0);

QFont sized(QFont font, double points, bool bold) {
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}
}  // namespace

// The key whose group holds the position: its label names what the counter counts.
int LayoutSheet::groupOwnerOf(int position) const {
  for (int k = 0; k < kKeyCount; ++k) {
    const GroupPositions group = source_.table.groupOf(k);
    if (std::find(group.begin(), group.end(), position) != group.end()) return k;
  }
  return position;
}

int LayoutSheet::counterOf(int k) const {
  for (int position : source_.table.groupOf(k))
    if (source_.table.isCounterOn(position)) return source_.table.entry(position).counter;
  return -1;
}

void LayoutSheet::paint(QPainter& painter, const PageArea& area) const {
  const double top = paintHeader(painter, area);
  const QSizeF size = area.sizeMm();
  const int counterRows = static_cast<int>(
      std::ceil(source_.table.countersInUse() / std::max(1.0, std::floor(size.width() / kCounterColumnMm))));
  const double countersMm = (counterRows + 2) * kCounterLineMm;
  const FormRect keyboard = keyboardFormRect();
  const double scale = std::min(size.width() / keyboard.width, (size.height() - top - countersMm) / keyboard.height);
  for (const ShownKey& key : shownKeys(source_.table)) {
    const QRectF mm((key.rect.x - keyboard.x) * scale, top + (key.rect.y - keyboard.y) * scale,
                    key.rect.width * scale, key.rect.height * scale);
    paintKey(painter, area, key, mm);
  }
  paintCounters(painter, area, top + keyboard.height * scale + kCounterLineMm);
}

double LayoutSheet::paintHeader(QPainter& painter, const PageArea& area) const {
  const QRectF line(0, 0, area.sizeMm().width(), kHeaderMm / 2);
  painter.setPen(Qt::black);
  painter.setFont(sized(painter.font(), 14, true));
  drawElidedText(painter, area.rect(line), sheetText(source_.title), Qt::AlignLeft | Qt::AlignVCenter);
  painter.setFont(sized(painter.font(), 9, false));
  const QString date = QObject::tr("Printed %1").arg(source_.printed.toString(Qt::ISODate));
  painter.drawText(area.rect(line), Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, date);
  return kHeaderMm;
}

void LayoutSheet::paintKey(QPainter& painter, const PageArea& area, const ShownKey& key, const QRectF& mm) const {
  painter.setPen(QPen(Qt::black, area.units(0.25)));
  painter.setBrush(kKeyFace);
  painter.drawRect(area.rect(mm));
  QRectF face = mm.adjusted(0.6, 0.6, -0.6, -0.6);
  if (const int counter = counterOf(key.key); counter >= 0) {
    const double stripeMm = (mm.width() / key.columns) * kStripeShare;
    const QRectF stripe(mm.left(), mm.top(), stripeMm, mm.height());
    painter.fillRect(area.rect(stripe.adjusted(0.15, 0.15, 0, -0.15)), kStripeYellow);
    painter.setFont(sized(painter.font(), 6, true));
    painter.drawText(area.rect(stripe), Qt::AlignCenter | Qt::TextSingleLine, QString::number(counter));
    face.setLeft(stripe.right() + 0.3);
  }
  const QRectF valueMm(face.left(), face.top(), face.width(), face.height() * 0.45);
  const QRectF labelMm(face.left(), valueMm.bottom(), face.width(), face.height() - valueMm.height());
  painter.setFont(sized(painter.font(), 9, true));
  drawElidedText(painter, area.rect(valueMm), QString::number(source_.table.entry(key.key).value), Qt::AlignCenter);
  painter.setFont(sized(painter.font(), 6.5, false));
  drawWrappedOrElidedText(painter, area.rect(labelMm), sheetLabel(source_.table, key.key),
                          Qt::AlignHCenter | Qt::AlignTop);
}

void LayoutSheet::paintCounters(QPainter& painter, const PageArea& area, double top) const {
  const KeyTable& table = source_.table;
  painter.setPen(Qt::black);
  painter.setFont(sized(painter.font(), 9, true));
  const QString heading = table.countersInUse() ? QObject::tr("Counters in use") : QObject::tr("No counters in use");
  painter.drawText(area.rect(QRectF(0, top, kCounterColumnMm, kCounterLineMm)),
                   Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, heading);
  painter.setFont(sized(painter.font(), 8, false));
  const int perColumn = std::max(1, static_cast<int>((area.sizeMm().height() - top) / kCounterLineMm) - 1);
  int row = 0;
  for (int c = kFirstKeyCounter; c <= kLastKeyCounter; ++c) {
    const int owner = table.counters()[static_cast<std::size_t>(c)].ownerKey;
    if (table.isSlotFree(c)) continue;
    const QRectF line((row / perColumn) * kCounterColumnMm, top + (1 + row % perColumn) * kCounterLineMm,
                      kCounterColumnMm - 2, kCounterLineMm);
    const QString text = QObject::tr("Counter %1   key %2   %3")
                             .arg(c)
                             .arg(owner)
                             .arg(sheetLabel(table, groupOwnerOf(owner)));
    drawElidedText(painter, area.rect(line), text, Qt::AlignLeft | Qt::AlignVCenter);
    ++row;
  }
}

}  // namespace q4t

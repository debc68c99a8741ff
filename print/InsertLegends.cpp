#include "print/InsertLegends.h"

#include <algorithm>

#include "print/SheetText.h"

namespace q4t {

namespace {
constexpr double kInsetMm = 1.0;      // the legend keeps off the edges
constexpr double kSmallLineMm = 2.5;  // position number and value at the bottom

double spanMm(int caps, const SheetOptions& options) { return caps * options.capMm + (caps - 1) * options.gapMm; }
}  // namespace

QRectF legendRectIn(const QRectF& boxMm) { return boxMm.adjusted(kInsetMm, kInsetMm, -kInsetMm, -kSmallLineMm); }

QRectF smallLineIn(const QRectF& boxMm) {
  return {boxMm.left() + 0.7, boxMm.bottom() - kSmallLineMm, boxMm.width() - 1.4, kSmallLineMm - 0.3};
}

QSizeF insertSizeOf(const ShownKey& key, const SheetOptions& options) {
  return {spanMm(key.columns, options), spanMm(key.rows, options)};
}

InsertLegends::InsertLegends(const KeyTable& table, const SheetOptions& options) {
  for (const ShownKey& key : shownKeys(table)) {
    const QString label = sheetLabel(table, key.key);
    const QString text = label.isEmpty() ? QString::number(table.entry(key.key).value) : label;
    const QSizeF room = legendRectIn(QRectF(QPointF(0, 0), insertSizeOf(key, options))).size();
    legends_.push_back({key, text, setLargestFitting(text, room, kLargestPt, kSmallestPt)});
    rooms_.push_back(room);
  }
  if (options.oneTextSize) useOneSize();
}

// The largest size at which every legend that fits at all fits; one that
// does not stays at the smallest size, which shows the most of it.
void InsertLegends::useOneSize() {
  double size = kLargestPt;
  for (const InsertLegend& legend : legends_)
    if (legend.set.whole) size = std::min(size, legend.set.pointSize);
  for (std::size_t i = 0; i < legends_.size(); ++i) {
    SetText& set = legends_[i].set;
    if (!set.whole) continue;
    if (const std::optional<SetText> same = setAtSize(legends_[i].text, rooms_[i], size)) set = *same;
  }
}

QStringList InsertLegends::notFitting() const {
  QStringList lines;
  for (const InsertLegend& legend : legends_)
    if (!legend.set.whole) lines << QObject::tr("key %1: %2").arg(legend.key.key).arg(legend.text);
  return lines;
}

}  // namespace q4t

// What each insert shows: its legend (the label, or the value of a key
// without one) set in the box of the key's size, at one size for every
// insert or each as large as it fits; and which legends do not fit.
#pragma once

#include <QRectF>
#include <QStringList>
#include <vector>

#include "model/ShownKeys.h"
#include "print/LegendText.h"
#include "print/SheetOptions.h"

namespace q4t {

// Where on an insert its legend stands: the line below holds the key's
// position number and, beside a label, its value.
QRectF legendRectIn(const QRectF& boxMm);
QRectF smallLineIn(const QRectF& boxMm);

// The size of a key's insert: its caps and the gaps between them.
QSizeF insertSizeOf(const ShownKey& key, const SheetOptions& options);

struct InsertLegend {
  ShownKey key;
  QString text;
  SetText set;
};

class InsertLegends {
 public:
  static constexpr double kLargestPt = 16.0;
  static constexpr double kSmallestPt = 4.0;

  InsertLegends(const KeyTable& table, const SheetOptions& options);

  // In the order of shownKeys().
  const std::vector<InsertLegend>& legends() const { return legends_; }
  // One line a legend shown broken inside a word or cut short: "key 23: ...".
  QStringList notFitting() const;

 private:
  void useOneSize();

  std::vector<InsertLegend> legends_;
  std::vector<QSizeF> rooms_;  // each legend's rectangle, in mm
};

}  // namespace q4t

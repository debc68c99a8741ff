// The layout sheet: the keyboard as the key layout window draws it, scaled
// to the page, each key with its value and label and the counter number in
// its stripe; the file's name and the date above, the counters below.
#pragma once

#include "print/SheetOptions.h"

class QPainter;
class QRectF;

namespace q4t {

class PageArea;
struct ShownKey;

class LayoutSheet {
 public:
  explicit LayoutSheet(const SheetSource& source) : source_(source) {}
  void paint(QPainter& painter, const PageArea& area) const;

 private:
  double paintHeader(QPainter& painter, const PageArea& area) const;
  void paintKey(QPainter& painter, const PageArea& area, const ShownKey& key, const QRectF& mm) const;
  void paintCounters(QPainter& painter, const PageArea& area, double top) const;
  int counterOf(int k) const;
  int groupOwnerOf(int position) const;

  const SheetSource& source_;
};

}  // namespace q4t

// The paintable area of one page, measured in millimetres, mapped onto the
// painter's device: whatever its resolution, a millimetre stays one.
#pragma once

#include <QPaintDevice>
#include <QRectF>

namespace q4t {

class PageArea {
 public:
  // origin: the area's top-left corner in device units; size in millimetres.
  PageArea(const QPaintDevice& device, QPointF origin, QSizeF sizeMm)
      : unitsPerMm_(device.logicalDpiX() / 25.4), origin_(origin), sizeMm_(sizeMm) {}

  QSizeF sizeMm() const { return sizeMm_; }
  double units(double mm) const { return mm * unitsPerMm_; }
  QPointF point(double xMm, double yMm) const { return origin_ + QPointF(units(xMm), units(yMm)); }
  QRectF rect(const QRectF& mm) const {
    return QRectF(point(mm.x(), mm.y()), QSizeF(units(mm.width()), units(mm.height())));
  }

 private:
  double unitsPerMm_;
  QPointF origin_;
  QSizeF sizeMm_;
};

}  // namespace q4t

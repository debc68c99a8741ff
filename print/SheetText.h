// Text that must fit a box on a sheet.
#pragma once

#include <QRectF>
#include <QString>

class QPainter;

namespace q4t {

// Draws text centred in rect, wrapped to at most two lines, at the largest
// point size from largestPt down to smallestPt that fits; at the smallest it
// is cut with an ellipsis.
void drawFittedText(QPainter& painter, const QRectF& rect, const QString& text, double largestPt, double smallestPt);

// Draws text wrapped at word boundaries where it fits rect so, else on one
// line cut with an ellipsis.
void drawWrappedOrElidedText(QPainter& painter, const QRectF& rect, const QString& text, int alignment);

// Draws text on one line, cut with an ellipsis where it is wider than rect.
void drawElidedText(QPainter& painter, const QRectF& rect, const QString& text, int alignment);

}  // namespace q4t

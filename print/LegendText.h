// A legend set in its box on an insert: wrapped at word boundaries at the
// largest size that fits. The lines are broken once, at a fixed resolution,
// so that the screen, a printer and every file show the same lines.
#pragma once

#include <QFont>
#include <QRectF>
#include <QStringList>
#include <optional>

class QPainter;

namespace q4t {

class PageArea;

struct SetText {
  double pointSize = 0;
  double lineMm = 0;  // from one line's top to the next one's
  QStringList lines;
  bool whole = true;  // false: broken inside a word or cut short
};

// The font legends are set in.
QFont legendFont(double pointSize);

// The text at pointSize when it fits boxMm wrapped at word boundaries only.
std::optional<SetText> setAtSize(const QString& text, QSizeF boxMm, double pointSize);

// At the largest size from largestPt down to smallestPt that fits; when none
// does, at smallestPt wrapped inside words too, the lines beyond the box
// dropped and the last one shown ending in an ellipsis.
SetText setLargestFitting(const QString& text, QSizeF boxMm, double largestPt, double smallestPt);

// Draws the lines centred in rectMm.
void drawSetText(QPainter& painter, const PageArea& area, const QRectF& rectMm, const SetText& text);

}  // namespace q4t

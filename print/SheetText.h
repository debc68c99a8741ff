// Text on a sheet: what it may hold, and text that must fit a box.
#pragma once

#include <QRectF>
#include <QString>

class QPainter;

namespace q4t {

class KeyTable;

// Text as sheets show it: a character that no XML file may hold (a control
// character other than tab and line breaks, U+FFFE, U+FFFF) becomes U+FFFD,
// so that an SVG always parses.
QString sheetText(const QString& text);
// Key k's label as sheets show it.
QString sheetLabel(const KeyTable& table, int k);

// Draws text wrapped at word boundaries where it fits rect so, else on one
// line cut with an ellipsis.
void drawWrappedOrElidedText(QPainter& painter, const QRectF& rect, const QString& text, int alignment);

// Draws text on one line, cut with an ellipsis where it is wider than rect.
void drawElidedText(QPainter& painter, const QRectF& rect, const QString& text, int alignment);

}  // namespace q4t

// Forms and dialogs are laid out in dialog units of an 8-point form font whose
// base units are 6 x 13 pixels: x px = du * 6 / 4, y px = du * 13 / 8.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

class QWidget;

namespace docview {

// Rounds a * b / c to the nearest integer, halves away from zero.
int mulDiv(int a, int b, int c);

int dialogUnitsToPixelsX(int du);
int dialogUnitsToPixelsY(int du);
QRect dialogUnitRect(int x, int y, int width, int height);
QSize dialogUnitSize(int width, int height);

// Places a control from one (x, y, width, height) row of a layout table.
void placeControl(QWidget* control, int x, int y, int width, int height);

// The platform's UI font at the largest size whose average character is no
// wider than the 6-pixel base unit, so texts fit the boxes made for it.
QFont formFont();

}  // namespace docview

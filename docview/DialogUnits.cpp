#include "docview/DialogUnits.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QWidget>
#include <cstdint>
#include <cstdlib>

namespace docview {

namespace {
constexpr int kBaseUnitX = 6;
constexpr int kBaseUnitY = 13;
constexpr int kLargestFontPixels = 13;
constexpr int kSmallestFontPixels = 8;
const char* const kAverageSample = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
}  // namespace

int mulDiv(int a, int b, int c) {
  const std::int64_t product = std::int64_t{a} * b;
  const std::int64_t half = std::llabs(c) / 2;
  const bool negative = (product < 0) != (c < 0);
  const std::int64_t rounded = (std::llabs(product) + half) / std::llabs(c);
  return static_cast<int>(negative ? -rounded : rounded);
}

int dialogUnitsToPixelsX(int du) { return mulDiv(du, kBaseUnitX, 4); }
int dialogUnitsToPixelsY(int du) { return mulDiv(du, kBaseUnitY, 8); }

QRect dialogUnitRect(int x, int y, int width, int height) {
  return {dialogUnitsToPixelsX(x), dialogUnitsToPixelsY(y), dialogUnitsToPixelsX(width),
          dialogUnitsToPixelsY(height)};
}

QSize dialogUnitSize(int width, int height) {
  return {dialogUnitsToPixelsX(width), dialogUnitsToPixelsY(height)};
}

void placeControl(QWidget* control, int x, int y, int width, int height) {
  control->setGeometry(dialogUnitRect(x, y, width, height));
}

QFont formFont() {
  QFont font = QApplication::font();
  const QString sample = QString::fromLatin1(kAverageSample);
  for (int pixels = kLargestFontPixels; pixels > kSmallestFontPixels; --pixels) {
    font.setPixelSize(pixels);
    if (QFontMetricsF(font).horizontalAdvance(sample) / sample.size() <= kBaseUnitX) return font;
  }
  font.setPixelSize(kSmallestFontPixels);
  return font;
}

}  // namespace docview

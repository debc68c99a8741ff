#include "print/LegendText.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QTextLayout>
#include <vector>

#include "print/PageArea.h"

namespace q4t {

namespace {
constexpr double kMeasuringDpi = 1200;
constexpr double kMmPerInch = 25.4;
constexpr double kStepPt = 0.5;

const QPaintDevice* measuringDevice() {
  static const QImage device = [] {
    QImage image(1, 1, QImage::Format_Mono);
    const int dotsPerMeter = qRound(kMeasuringDpi / kMmPerInch * 1000);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    return image;
  }();
  return &device;
}

double mmOf(double dots) { return dots * kMmPerInch / kMeasuringDpi; }
double dotsOf(double mm) { return mm * kMeasuringDpi / kMmPerInch; }

struct BrokenLine {
  int start = 0;
  QString text;
  double widthMm = 0;  // wider than asked when one word is
};

std::vector<BrokenLine> breakLines(const QString& text, const QFont& font, double widthMm,
                                   QTextOption::WrapMode mode) {
  QTextLayout layout(text, font, measuringDevice());
  QTextOption option;
  option.setWrapMode(mode);
  layout.setTextOption(option);
  std::vector<BrokenLine> lines;
  layout.beginLayout();
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(dotsOf(widthMm));
    lines.push_back({line.textStart(), text.mid(line.textStart(), line.textLength()).trimmed(),
                     mmOf(line.naturalTextWidth())});
  }
  layout.endLayout();
  return lines;
}

double lineMmOf(const QFont& font) { return mmOf(QFontMetricsF(font, measuringDevice()).lineSpacing()); }

SetText setCut(const QString& text, QSizeF boxMm, double pointSize) {
  const QFont font = legendFont(pointSize);
  SetText set{pointSize, lineMmOf(font), {}, false};
  const std::vector<BrokenLine> lines = breakLines(text, font, boxMm.width(), QTextOption::WrapAtWordBoundaryOrAnywhere);
  const std::size_t room = std::max<std::size_t>(1, static_cast<std::size_t>(boxMm.height() / set.lineMm));
  for (std::size_t i = 0; i < lines.size() && i < room; ++i) set.lines << lines[i].text;
  if (lines.size() > room) {
    const QString rest = text.mid(lines[room - 1].start).simplified();
    set.lines.last() =
        QFontMetricsF(font, measuringDevice()).elidedText(rest, Qt::ElideRight, dotsOf(boxMm.width()));
  }
  return set;
}
}  // namespace

QFont legendFont(double pointSize) {
  QFont font;
  font.setPointSizeF(pointSize);
  // No ligatures: a PDF's text must hold "Kaffee", not a glyph for "ff".
  font.setStyleStrategy(QFont::PreferNoShaping);
  return font;
}

std::optional<SetText> setAtSize(const QString& text, QSizeF boxMm, double pointSize) {
  const QFont font = legendFont(pointSize);
  SetText set{pointSize, lineMmOf(font), {}, true};
  for (const BrokenLine& line : breakLines(text, font, boxMm.width(), QTextOption::WordWrap)) {
    if (line.widthMm > boxMm.width()) return std::nullopt;
    set.lines << line.text;
  }
  if (set.lines.size() * set.lineMm > boxMm.height()) return std::nullopt;
  return set;
}

SetText setLargestFitting(const QString& text, QSizeF boxMm, double largestPt, double smallestPt) {
  for (double size = largestPt; size >= smallestPt; size -= kStepPt)
    if (const std::optional<SetText> set = setAtSize(text, boxMm, size)) return *set;
  return setCut(text, boxMm, smallestPt);
}

void drawSetText(QPainter& painter, const PageArea& area, const QRectF& rectMm, const SetText& text) {
  painter.setFont(legendFont(text.pointSize));
  painter.setPen(Qt::black);
  const double top = rectMm.center().y() - text.lines.size() * text.lineMm / 2;
  for (int i = 0; i < text.lines.size(); ++i) {
    const QRectF line(rectMm.left(), top + i * text.lineMm, rectMm.width(), text.lineMm);
    painter.drawText(area.rect(line), Qt::AlignCenter | Qt::TextSingleLine, text.lines[i]);
  }
}

}  // namespace q4t

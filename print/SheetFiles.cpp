#include "print/SheetFiles.h"

#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>
#include <QSvgGenerator>

#include "print/PageArea.h"
#include "print/SheetPainter.h"

namespace q4t {

namespace {
constexpr double kMarginMm = 10.0;
constexpr int kPdfDpi = 1200;
constexpr int kSvgDpi = 96;
constexpr int kPngDpi = 150;
constexpr double kMmPerInch = 25.4;

QPageLayout filePageLayout(const SheetOptions& options) {
  return QPageLayout(QPageSize(QPageSize::A4), SheetPainter::orientationOf(options.kind),
                     QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter);
}

bool writePdf(QIODevice& file, const SheetSource& source, const SheetOptions& options) {
  QPdfWriter writer(&file);
  writer.setResolution(kPdfDpi);
  writer.setPageLayout(filePageLayout(options));
  writer.setTitle(source.title);
  writer.setCreator(QStringLiteral("Q4T Programmer"));
  const QSizeF areaMm = writer.pageLayout().paintRect(QPageLayout::Millimeter).size();
  const SheetPainter sheet(source, options, areaMm);
  QPainter painter;
  if (!painter.begin(&writer)) return false;
  const PageArea area(writer, QPointF(0, 0), areaMm);
  for (int page = 0; page < sheet.pageCount(); ++page) {
    if (page > 0) writer.newPage();
    sheet.paintPage(painter, area, page);
  }
  return painter.end();
}

// The pages one below the other on a device of dpi dots per inch.
template <typename Paint>
void paintStacked(const SheetSource& source, const SheetOptions& options, int dpi, Paint&& paintOn) {
  const QPageLayout layout = filePageLayout(options);
  const QSizeF pageMm = layout.fullRect(QPageLayout::Millimeter).size();
  const QSizeF areaMm = layout.paintRect(QPageLayout::Millimeter).size();
  const SheetPainter sheet(source, options, areaMm);
  const QSize pagePixels = (pageMm * dpi / kMmPerInch).toSize();
  paintOn(QSize(pagePixels.width(), pagePixels.height() * sheet.pageCount()), [&](QPainter& painter) {
    for (int page = 0; page < sheet.pageCount(); ++page) {
      const QPointF origin(kMarginMm * dpi / kMmPerInch, page * pagePixels.height() + kMarginMm * dpi / kMmPerInch);
      sheet.paintPage(painter, PageArea(*painter.device(), origin, areaMm), page);
    }
  });
}

bool writeSvg(QIODevice& file, const SheetSource& source, const SheetOptions& options) {
  bool painted = false;
  paintStacked(source, options, kSvgDpi, [&](QSize size, auto paintPages) {
    QSvgGenerator generator;
    generator.setOutputDevice(&file);
    generator.setResolution(kSvgDpi);
    generator.setSize(size);
    generator.setViewBox(QRect(QPoint(0, 0), size));
    generator.setTitle(source.title);
    QPainter painter;
    if (!painter.begin(&generator)) return;
    paintPages(painter);
    painted = painter.end();
  });
  return painted;
}

bool writePng(QIODevice& file, const SheetSource& source, const SheetOptions& options) {
  QImage image;
  paintStacked(source, options, kPngDpi, [&](QSize size, auto paintPages) {
    image = QImage(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    const int dotsPerMeter = qRound(kPngDpi / kMmPerInch * 1000);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    QPainter painter(&image);
    paintPages(painter);
  });
  return !image.isNull() && image.save(&file, "PNG");
}
}  // namespace

SheetFormat sheetFormatOf(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix == QLatin1String("pdf")) return SheetFormat::Pdf;
  if (suffix == QLatin1String("svg")) return SheetFormat::Svg;
  if (suffix == QLatin1String("png")) return SheetFormat::Png;
  return SheetFormat::Unknown;
}

bool exportSheet(const QString& path, const SheetSource& source, const SheetOptions& options, QString& reason) {
  const SheetFormat format = sheetFormatOf(path);
  if (format == SheetFormat::Unknown) {
    reason = QObject::tr("unknown file type (use .pdf, .svg or .png)");
    return false;
  }
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    reason = file.errorString();
    return false;
  }
  const bool written = format == SheetFormat::Pdf   ? writePdf(file, source, options)
                       : format == SheetFormat::Svg ? writeSvg(file, source, options)
                                                    : writePng(file, source, options);
  if (!written) {
    file.cancelWriting();
    reason = QObject::tr("the sheet could not be drawn");
    return false;
  }
  if (!file.commit()) {
    reason = file.errorString();
    return false;
  }
  return true;
}

void prepareSheetPrinter(QPrinter& printer, const SheetOptions& options) {
  printer.setPageOrientation(SheetPainter::orientationOf(options.kind));
  printer.setFullPage(false);
}

void printSheet(QPrinter& printer, const SheetSource& source, const SheetOptions& options) {
  const QSizeF areaMm = printer.pageRect(QPrinter::Millimeter).size();
  const SheetPainter sheet(source, options, areaMm);
  QPainter painter;
  if (!painter.begin(&printer)) return;
  const PageArea area(printer, QPointF(0, 0), areaMm);
  for (int page = 0; page < sheet.pageCount(); ++page) {
    if (page > 0) printer.newPage();
    sheet.paintPage(painter, area, page);
  }
  painter.end();
}

}  // namespace q4t

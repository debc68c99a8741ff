#include "print/SheetFiles.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QSvgGenerator>

#include "model/FileAccess.h"
#include "print/PageArea.h"
#include "print/SheetPainter.h"
#include "print/SheetText.h"

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

// Every page of the sheet on a printer or PDF writer whose printable area is areaMm.
bool paintPages(QPagedPaintDevice& device, QSizeF areaMm, const SheetSource& source, const SheetOptions& options) {
  const SheetPainter sheet(source, options, areaMm);
  QPainter painter;
  if (!painter.begin(&device)) return false;
  const PageArea area(device, QPointF(0, 0), areaMm);
  for (int page = 0; page < sheet.pageCount(); ++page) {
    if (page > 0) device.newPage();
    sheet.paintPage(painter, area, page);
  }
  return painter.end();
}

bool writePdf(QIODevice& file, const SheetSource& source, const SheetOptions& options) {
  QPdfWriter writer(&file);
  writer.setResolution(kPdfDpi);
  writer.setPageLayout(filePageLayout(options));
  writer.setTitle(sheetText(source.title));
  writer.setCreator(QStringLiteral("Q4T Programmer"));
  return paintPages(writer, writer.pageLayout().paintRect(QPageLayout::Millimeter).size(), source, options);
}

// The pages one below the other, as one picture of dpi dots per inch.
class StackedPages {
 public:
  StackedPages(const SheetSource& source, const SheetOptions& options, int dpi)
      : layout_(filePageLayout(options)), dpi_(dpi), areaMm_(layout_.paintRect(QPageLayout::Millimeter).size()),
        sheet_(source, options, areaMm_) {}

  QSize size() const { return {pageSize().width(), pageSize().height() * sheet_.pageCount()}; }

  void paint(QPainter& painter) const {
    const double margin = kMarginMm * dpi_ / kMmPerInch;
    for (int page = 0; page < sheet_.pageCount(); ++page) {
      const QPointF origin(margin, page * pageSize().height() + margin);
      sheet_.paintPage(painter, PageArea(*painter.device(), origin, areaMm_), page);
    }
  }

 private:
  QSize pageSize() const { return (layout_.fullRect(QPageLayout::Millimeter).size() * dpi_ / kMmPerInch).toSize(); }

  QPageLayout layout_;
  int dpi_;
  QSizeF areaMm_;
  SheetPainter sheet_;
};

bool writeSvg(QIODevice& file, const SheetSource& source, const SheetOptions& options) {
  const StackedPages pages(source, options, kSvgDpi);
  QSvgGenerator generator;
  generator.setOutputDevice(&file);
  generator.setResolution(kSvgDpi);
  generator.setSize(pages.size());
  generator.setViewBox(QRect(QPoint(0, 0), pages.size()));
  // The generator writes the title as it is, where the drawn text is escaped.
  generator.setTitle(sheetText(source.title).toHtmlEscaped());
  QPainter painter;
  if (!painter.begin(&generator)) return false;
  pages.paint(painter);
  return painter.end();
}

bool writePng(QIODevice& file, const SheetSource& source, const SheetOptions& options) {
  const StackedPages pages(source, options, kPngDpi);
  QImage image(pages.size(), QImage::Format_RGB32);
  if (image.isNull()) return false;
  image.fill(Qt::white);
  const int dotsPerMeter = qRound(kPngDpi / kMmPerInch * 1000);
  image.setDotsPerMeterX(dotsPerMeter);
  image.setDotsPerMeterY(dotsPerMeter);
  QPainter painter(&image);
  pages.paint(painter);
  painter.end();
  return image.save(&file, "PNG");
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
  return exportSheetTo(QFile::encodeName(path).toStdString(), sheetFormatOf(path), source, options, reason);
}

bool exportSheetTo(const std::string& nativePath, SheetFormat format, const SheetSource& source,
                   const SheetOptions& options, QString& reason) {
  if (format == SheetFormat::Unknown) {
    reason = QObject::tr("unknown file type (use .pdf, .svg or .png)");
    return false;
  }
  QByteArray bytes;
  QBuffer file(&bytes);
  file.open(QIODevice::WriteOnly);
  const bool drawn = format == SheetFormat::Pdf   ? writePdf(file, source, options)
                     : format == SheetFormat::Svg ? writeSvg(file, source, options)
                                                  : writePng(file, source, options);
  if (!drawn) {
    reason = QObject::tr("the sheet could not be drawn");
    return false;
  }
  // As a key table is saved: never over a device, FIFO or folder, also not
  // through a symbolic link, and the whole file or nothing.
  const FileResult written = replaceFileContents(nativePath, bytes.toStdString());
  if (!written) reason = QString::fromStdString(written.reason);
  return written.ok;
}

void prepareSheetPrinter(QPrinter& printer, const SheetOptions& options) {
  printer.setPageOrientation(SheetPainter::orientationOf(options.kind));
  printer.setFullPage(false);
}

void printSheet(QPrinter& printer, const SheetSource& source, const SheetOptions& options) {
  paintPages(printer, printer.pageRect(QPrinter::Millimeter).size(), source, options);
}

}  // namespace q4t

// The layout sheet and the legend inserts as files: one box per shown key at
// the size asked, in SVG and in PDF (measured on the rendered page), every
// label in the PDF's text, fonts embedded, and the sheet dialog's settings.
#include <QDir>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPrinter>
#include <QProcess>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "model/KeyTableFile.h"
#include "model/ShownKeys.h"
#include "print/SheetDialog.h"
#include "print/SheetFiles.h"
#include "support/GuiTestSupport.h"
#include "support/ProgramFixture.h"

using q4t::KeyPosition;
using q4t::KeyTable;
using q4t::SheetKind;
using q4t::SheetOptions;

namespace {

const QStringList kLabels = {QStringLiteral("Zwischensumme"), QStringLiteral("Entrée"), QStringLiteral("Kaffee groß"),
                             QStringLiteral("Crème brûlée"), QStringLiteral("Thé vert"), QStringLiteral("Rückgeld")};

// The default table with a double key at the top left (82 and 83), a
// quadruple, a double-down key, two counters and labels.
KeyTable mergedTable() {
  KeyTable table;
  q4t::readKeyTable((q4t::test::sourceDir() + QStringLiteral("/DefTable.q4t")).toStdString(), table);
  table.mergeRight(82);
  table.mergeQuadruple(40);
  table.mergeDown(20);
  table.counterOn(40, KeyPosition::BottomRight, 12);
  table.counterOn(5, KeyPosition::TopLeft, 7);
  const int keys[] = {82, 40, 20, 5, 6, 91};
  for (int i = 0; i < kLabels.size(); ++i) table.setLabel(keys[i], kLabels[i].toStdString());
  return table;
}

struct SvgRect {
  double y, width, height;
};

// The rectangles of an SVG file in millimetres, from its size and view box.
QList<SvgRect> svgRects(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QString svg = QString::fromUtf8(file.readAll());
  const QRegularExpressionMatch page =
      QRegularExpression(QStringLiteral("<svg width=\"([\\d.]+)mm\"[^>]*viewBox=\"0 0 ([\\d.]+) ")).match(svg);
  if (!page.hasMatch()) return {};
  const double mmPerUnit = page.captured(1).toDouble() / page.captured(2).toDouble();
  QList<SvgRect> rects;
  static const QRegularExpression rect(
      QStringLiteral("<rect [^>]*y=\"([\\d.]+)\" width=\"([\\d.]+)\" height=\"([\\d.]+)\""));
  for (auto match = rect.globalMatch(svg); match.hasNext();) {
    const QRegularExpressionMatch m = match.next();
    rects.append({m.captured(1).toDouble() * mmPerUnit, m.captured(2).toDouble() * mmPerUnit,
                  m.captured(3).toDouble() * mmPerUnit});
  }
  return rects;
}

int countSized(const QList<SvgRect>& rects, double width, double height) {
  int count = 0;
  for (const SvgRect& r : rects)
    if (qAbs(r.width - width) < 0.05 && qAbs(r.height - height) < 0.05) ++count;
  return count;
}

QString run(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  process.waitForFinished(30000);
  return QString::fromUtf8(process.readAllStandardOutput());
}

// Dark pixel runs along one row of a grey image, as (start, length).
QList<QPair<int, int>> darkRuns(const QImage& image, int y) {
  QList<QPair<int, int>> runs;
  int start = -1;
  for (int x = 0; x <= image.width(); ++x) {
    const bool dark = x < image.width() && qGray(image.pixel(x, y)) < 235;
    if (dark && start < 0) start = x;
    if (!dark && start >= 0) {
      runs.append({start, x - start});
      start = -1;
    }
  }
  return runs;
}

struct FirstBoxes {
  double doubleWidth = 0, singleWidth = 0, singleHeight = 0;
};

// The first two boxes of a legend PDF's first page, a double key and a
// single one, in millimetres measured on the page rendered at 254 dpi, with
// the page's width in millimetres from its own size in points.
FirstBoxes measureFirstBoxes(const QString& pdf, const QString& workDir) {
  const QRegularExpressionMatch size = QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x"))
                                           .match(run(QStringLiteral("pdfinfo"), {pdf}));
  const double pageWidthMm = size.captured(1).toDouble() * 25.4 / 72;
  run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("254"), QStringLiteral("-gray"),
                                   QStringLiteral("-singlefile"), pdf, workDir + QStringLiteral("/page")});
  const QImage page(workDir + QStringLiteral("/page.pgm"));
  if (page.isNull() || pageWidthMm <= 0) return {};
  const double pxPerMm = page.width() / pageWidthMm;
  // The first row from the top with a dark run longer than a cut mark is the
  // top edge of the first row of boxes.
  int top = -1;
  QList<QPair<int, int>> edges;
  for (int y = 0; y < page.height() && top < 0; ++y) {
    edges.clear();
    for (const auto& dark : darkRuns(page, y))
      if (dark.second > 5 * pxPerMm) edges.append(dark);
    if (!edges.isEmpty()) top = y;
  }
  if (edges.size() < 2) return {};
  // Down the single box's left side, just inside: the next edge is its bottom.
  const int x = edges[1].first + qRound(0.5 * pxPerMm);
  int bottom = top + 3;
  while (bottom < page.height() && qGray(page.pixel(x, bottom)) >= 235) ++bottom;
  return {edges[0].second / pxPerMm, edges[1].second / pxPerMm, (bottom - top) / pxPerMm};
}

}  // namespace

class SheetExportTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { q4t::test::setUpProgramSettings(); }

  void svgHasOneBoxPerShownKeyAtTheSizeAsked() {
    QTemporaryDir dir;
    const KeyTable table = mergedTable();
    const q4t::SheetSource source{table, QStringLiteral("merged.q4t"), QDate(2026, 12, 7)};
    const int shown = static_cast<int>(q4t::shownKeys(table).size());
    QCOMPARE(shown, 92 - 1 - 3 - 1);
    QString reason;
    for (const auto& [cap, gap] : {std::pair{14.0, 5.0}, std::pair{20.0, 2.5}}) {
      const QString path = dir.filePath(QStringLiteral("legends.svg"));
      QVERIFY2(q4t::exportSheet(path, source, {SheetKind::Legends, cap, gap}, reason), qPrintable(reason));
      const QList<SvgRect> rects = svgRects(path);
      QCOMPARE(countSized(rects, cap, cap), shown - 3);
      QCOMPARE(countSized(rects, 2 * cap + gap, cap), 1);
      QCOMPARE(countSized(rects, cap, 2 * cap + gap), 1);
      QCOMPARE(countSized(rects, 2 * cap + gap, 2 * cap + gap), 1);
      QCOMPARE(rects.size(), shown);
    }
    // The layout sheet: every key in proportion to a single key, stripes aside.
    const QString path = dir.filePath(QStringLiteral("layout.svg"));
    QVERIFY2(q4t::exportSheet(path, source, {SheetKind::Layout, 14, 5}, reason), qPrintable(reason));
    const QList<SvgRect> rects = svgRects(path);
    QVERIFY(!rects.isEmpty());
    const SvgRect single = rects.value(1);  // 84, after the double key 82 at the top left
    QVERIFY(single.width > 10 && single.width / single.height > 1.2 && single.width / single.height < 1.25);
    QCOMPARE(countSized(rects, single.width, single.height), shown - 3);
    QCOMPARE(countSized(rects, 2 * single.width, single.height), 1);
    QCOMPARE(countSized(rects, single.width, 2 * single.height), 1);
    QCOMPARE(countSized(rects, 2 * single.width, 2 * single.height), 1);
    QCOMPARE(rects.size(), shown + 2);  // and the two counter stripes
  }

  void pdfLegendsMeasureTheCapSizeOnThePage() {
    QTemporaryDir dir;
    const KeyTable table = mergedTable();
    const q4t::SheetSource source{table, QStringLiteral("merged.q4t"), QDate(2026, 12, 7)};
    for (const auto& [cap, gap] : {std::pair{14.0, 5.0}, std::pair{18.0, 3.0}}) {
      const QString pdf = dir.filePath(QStringLiteral("legends.pdf"));
      QString reason;
      QVERIFY2(q4t::exportSheet(pdf, source, {SheetKind::Legends, cap, gap}, reason), qPrintable(reason));
      const FirstBoxes boxes = measureFirstBoxes(pdf, dir.path());
      QVERIFY2(qAbs(boxes.doubleWidth - (2 * cap + gap)) < 0.3, qPrintable(QString::number(boxes.doubleWidth)));
      QVERIFY2(qAbs(boxes.singleWidth - cap) < 0.3, qPrintable(QString::number(boxes.singleWidth)));
      QVERIFY2(qAbs(boxes.singleHeight - cap) < 0.3, qPrintable(QString::number(boxes.singleHeight)));
    }
  }

  // The printer's way: the same sizes on whatever paper it has, here Letter.
  void printedLegendsMeasureTheCapSizeToo() {
    QTemporaryDir dir;
    const KeyTable table = mergedTable();
    const q4t::SheetSource source{table, QStringLiteral("merged.q4t"), QDate(2026, 12, 7)};
    const SheetOptions options{SheetKind::Legends, 14, 5};
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("printed.pdf")));
    printer.setPageSize(QPageSize(QPageSize::Letter));
    q4t::prepareSheetPrinter(printer, options);
    QCOMPARE(printer.pageLayout().orientation(), QPageLayout::Portrait);
    q4t::printSheet(printer, source, options);
    const FirstBoxes boxes = measureFirstBoxes(printer.outputFileName(), dir.path());
    QVERIFY2(qAbs(boxes.doubleWidth - 33.0) < 0.3, qPrintable(QString::number(boxes.doubleWidth)));
    QVERIFY2(qAbs(boxes.singleWidth - 14.0) < 0.3, qPrintable(QString::number(boxes.singleWidth)));
    QVERIFY2(qAbs(boxes.singleHeight - 14.0) < 0.3, qPrintable(QString::number(boxes.singleHeight)));
    QVERIFY(run(QStringLiteral("pdftotext"), {printer.outputFileName(), QStringLiteral("-")}).contains(kLabels[0]));
    // The layout sheet turns the printer's page.
    q4t::prepareSheetPrinter(printer, {SheetKind::Layout, 14, 5});
    QCOMPARE(printer.pageLayout().orientation(), QPageLayout::Landscape);
  }

  void pdfTextHoldsEveryLabelInEmbeddedFonts() {
    QTemporaryDir dir;
    const KeyTable table = mergedTable();
    const q4t::SheetSource source{table, QStringLiteral("merged.q4t"), QDate(2026, 12, 7)};
    for (const SheetKind kind : {SheetKind::Layout, SheetKind::Legends}) {
      const QString pdf = dir.filePath(QStringLiteral("sheet.pdf"));
      QString reason;
      QVERIFY2(q4t::exportSheet(pdf, source, {kind, 14, 5}, reason), qPrintable(reason));
      // Wrapped labels break into lines: compare the words.
      const QString text = run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}).simplified();
      for (const QString& label : kLabels)
        for (const QString& word : label.split(' ')) QVERIFY2(text.contains(word), qPrintable(word + " in " + text));
      if (kind == SheetKind::Layout) {
        QVERIFY(text.contains(QStringLiteral("merged.q4t")) && text.contains(QStringLiteral("Printed 2026-12-07")));
        QVERIFY2(text.contains(QStringLiteral("Counter 12 key 23 Entrée")), qPrintable(text));
      }
      const QStringList fonts = run(QStringLiteral("pdffonts"), {pdf}).split('\n', Qt::SkipEmptyParts).mid(2);
      QVERIFY(!fonts.isEmpty());
      for (const QString& font : fonts) QVERIFY2(font.simplified().split(' ').value(4) == QLatin1String("yes"), qPrintable(font));
    }
  }

  void pagesHoldNoSplitBoxAndBigCapsTakeMorePages() {
    QTemporaryDir dir;
    const KeyTable table = mergedTable();
    const q4t::SheetSource source{table, QStringLiteral("merged.q4t"), QDate(2026, 12, 7)};
    const QString pdf = dir.filePath(QStringLiteral("big.pdf"));
    QString reason;
    QVERIFY(q4t::exportSheet(pdf, source, {SheetKind::Legends, 40, 10}, reason));
    const QRegularExpressionMatch pages =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(run(QStringLiteral("pdfinfo"), {pdf}));
    QVERIFY(pages.captured(1).toInt() >= 4);  // 20 boxes of 40 mm at most fit a page
    // The SVG holds the same pages one below the other, each box within one.
    const QString svg = dir.filePath(QStringLiteral("big.svg"));
    QVERIFY(q4t::exportSheet(svg, source, {SheetKind::Legends, 40, 10}, reason));
    const QList<SvgRect> rects = svgRects(svg);
    QCOMPARE(rects.size(), 87);
    int lastPage = 0;
    for (const SvgRect& box : rects) {
      const int page = static_cast<int>(box.y / 297.0);
      QVERIFY2(static_cast<int>((box.y + box.height) / 297.0) == page, qPrintable(QString::number(box.y)));
      QVERIFY(page >= lastPage);  // in grid order
      lastPage = page;
    }
    QCOMPARE(lastPage + 1, pages.captured(1).toInt());
  }

  void unknownTypeOrUnwritablePlaceWritesNothing() {
    QTemporaryDir dir;
    const KeyTable table = mergedTable();
    const q4t::SheetSource source{table, QStringLiteral("merged.q4t"), QDate(2026, 12, 7)};
    QString reason;
    QVERIFY(!q4t::exportSheet(dir.filePath(QStringLiteral("sheet.doc")), source, {}, reason));
    QVERIFY(reason.contains(QStringLiteral(".pdf")));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("sheet.doc"))));
    QVERIFY(!q4t::exportSheet(dir.filePath(QStringLiteral("no/such/folder/sheet.pdf")), source, {}, reason));
    QVERIFY(!reason.isEmpty());
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{});
  }

  void sheetDialogKeepsItsChoiceAndSaysScalingMustBeOff() {
    {
      q4t::SheetDialog dialog;
      QCOMPARE(dialog.options().kind, SheetKind::Layout);
      QCOMPARE(dialog.options().capMm, 14.0);
      QCOMPARE(dialog.options().gapMm, 5.0);
      const QList<QDoubleSpinBox*> sizes = dialog.findChildren<QDoubleSpinBox*>();
      QCOMPARE(sizes.size(), 2);
      QVERIFY(!sizes[0]->isEnabled());
      dialog.findChildren<QRadioButton*>().at(1)->setChecked(true);
      QVERIFY(sizes[0]->isEnabled());
      sizes[0]->setValue(18.5);
      sizes[1]->setValue(3);
      bool saysScaling = false;
      for (const QLabel* label : dialog.findChildren<QLabel*>())
        saysScaling |= label->text().contains(QStringLiteral("100 %")) && label->text().contains(QStringLiteral("scaling"));
      QVERIFY(saysScaling);
      dialog.accept();
    }
    q4t::SheetDialog again;
    QCOMPARE(again.options().kind, SheetKind::Legends);
    QCOMPARE(again.options().capMm, 18.5);
    QCOMPARE(again.options().gapMm, 3.0);
    // Settings that give no sensible box are held within the dialog's limits.
    QSettings().setValue(QStringLiteral("Sheets/legendCapMm"), -4);
    QCOMPARE(q4t::SheetDialog::savedOptions().capMm, 5.0);
    QSettings().setValue(QStringLiteral("Sheets/legendCapMm"), QStringLiteral("wide"));
    QCOMPARE(q4t::SheetDialog::savedOptions().capMm, 5.0);
  }
};

QTEST_MAIN(SheetExportTest)
#include "SheetExportTest.moc"

// The layout sheet and the legend inserts as files: one box per shown key at
// the size asked, in SVG and in PDF (measured on the rendered page), every
// label in the PDF's text, fonts embedded, and the sheet dialog's settings.
#include <QCheckBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QListWidget>
#include <QPrinter>
#include <QProcess>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <tuple>

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
  double x, y, width, height;
  QString fill;
};

struct SvgText {
  double x, y;
  QString text;
};

// An SVG file read as XML, lengths in millimetres from its size and view box.
struct SvgSheet {
  QString error;  // empty when it parsed
  double widthMm = 0, heightMm = 0;
  QString title;
  QList<SvgRect> rects;
  QList<SvgText> texts;
};

SvgSheet readSvg(const QString& path) {
  SvgSheet svg;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    svg.error = QStringLiteral("cannot open ") + path;
    return svg;
  }
  QXmlStreamReader xml(&file);
  double mmPerUnit = 0;
  QStringList fills;  // of the enclosing groups
  const auto number = [&](const char* name) { return xml.attributes().value(QLatin1String(name)).toDouble() * mmPerUnit; };
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isEndElement() && xml.name() == QLatin1String("g")) fills.removeLast();
    if (!xml.isStartElement()) continue;
    const QXmlStreamAttributes attributes = xml.attributes();
    if (xml.name() == QLatin1String("svg")) {
      svg.widthMm = attributes.value(QLatin1String("width")).chopped(2).toDouble();
      svg.heightMm = attributes.value(QLatin1String("height")).chopped(2).toDouble();
      mmPerUnit = svg.widthMm / attributes.value(QLatin1String("viewBox")).split(' ').value(2).toDouble();
    } else if (xml.name() == QLatin1String("g")) {
      fills.append(attributes.hasAttribute(QLatin1String("fill")) ? attributes.value(QLatin1String("fill")).toString()
                                                                  : fills.value(fills.size() - 1));
    } else if (xml.name() == QLatin1String("rect")) {
      svg.rects.append({number("x"), number("y"), number("width"), number("height"), fills.value(fills.size() - 1)});
    } else if (xml.name() == QLatin1String("text")) {
      const double x = number("x"), y = number("y");
      svg.texts.append({x, y, xml.readElementText()});
    } else if (xml.name() == QLatin1String("title")) {
      svg.title = xml.readElementText();
    }
  }
  if (xml.hasError()) svg.error = QStringLiteral("%1 line %2: %3").arg(path).arg(xml.lineNumber()).arg(xml.errorString());
  return svg;
}

// Writes the sheet; an SVG must parse. Empty when all went well, else why not.
QString exportParsed(const QString& path, const q4t::SheetSource& source, const SheetOptions& options,
                     SvgSheet* svg = nullptr) {
  QString reason;
  if (!q4t::exportSheet(path, source, options, reason)) return reason.isEmpty() ? QStringLiteral("failed") : reason;
  if (!path.endsWith(QLatin1String(".svg"))) return {};
  SvgSheet read = readSvg(path);
  const QString error = read.error;
  if (svg) *svg = std::move(read);
  return error;
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
    SvgSheet svg;
    for (const auto& [cap, gap, asKeyboard] : {std::tuple{14.0, 5.0, false}, std::tuple{20.0, 2.5, true}}) {
      const QString path = dir.filePath(QStringLiteral("legends.svg"));
      const QString failed = exportParsed(path, source, {SheetKind::Legends, cap, gap, true, asKeyboard}, &svg);
      QVERIFY2(failed.isEmpty(), qPrintable(failed));
      QCOMPARE(countSized(svg.rects, cap, cap), shown - 3);
      QCOMPARE(countSized(svg.rects, 2 * cap + gap, cap), 1);
      QCOMPARE(countSized(svg.rects, cap, 2 * cap + gap), 1);
      QCOMPARE(countSized(svg.rects, 2 * cap + gap, 2 * cap + gap), 1);
      QCOMPARE(svg.rects.size(), shown);
      // Each insert names its key's position.
      QStringList texts;
      for (const SvgText& text : svg.texts) texts << text.text;
      for (const q4t::ShownKey& key : q4t::shownKeys(table))
        QVERIFY2(texts.contains(QStringLiteral("#%1").arg(key.key)), qPrintable(QString::number(key.key)));
      // The value once: as the legend of key 84, without a label; small beside key 82's label.
      QCOMPARE(texts.count(QStringLiteral("85")), 1);
      QCOMPARE(texts.count(QStringLiteral("83")), 1);
    }
    // The layout sheet: every key in proportion to a single key, stripes
    // aside, each as wide as a single key's; the counters below the keys.
    const QString failed = exportParsed(dir.filePath(QStringLiteral("layout.svg")), source, {}, &svg);
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    QList<SvgRect> keys, stripes;
    for (const SvgRect& rect : svg.rects) (rect.fill == QLatin1String("#ffff00") ? stripes : keys).append(rect);
    const SvgRect single = keys.value(1);  // 84, after the double key 82 at the top left
    QVERIFY(single.width > 10 && single.width / single.height > 1.2 && single.width / single.height < 1.25);
    QCOMPARE(countSized(keys, single.width, single.height), shown - 3);
    QCOMPARE(countSized(keys, 2 * single.width, single.height), 1);
    QCOMPARE(countSized(keys, single.width, 2 * single.height), 1);
    QCOMPARE(countSized(keys, 2 * single.width, 2 * single.height), 1);
    QCOMPARE(keys.size(), shown);
    QCOMPARE(stripes.size(), 2);  // the quadruple key 40's and key 5's
    for (const SvgRect& stripe : stripes) QVERIFY2(qAbs(stripe.width - single.width * 5 / 22) < 0.2, qPrintable(QString::number(stripe.width)));
    double keysBottom = 0;
    for (const SvgRect& key : keys) keysBottom = std::max(keysBottom, key.y + key.height);
    const auto heading = std::find_if(svg.texts.begin(), svg.texts.end(),
                                      [](const SvgText& text) { return text.text == QLatin1String("Counters in use"); });
    QVERIFY(heading != svg.texts.end());
    QVERIFY2(heading->y - 3.5 > keysBottom, qPrintable(QStringLiteral("%1 %2").arg(heading->y).arg(keysBottom)));
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

  // A PDF page by page; an SVG and a PNG with the same pages one below the other.
  void pagesHoldNoSplitBoxAndBigCapsTakeMorePages() {
    QTemporaryDir dir;
    const KeyTable table = mergedTable();
    const q4t::SheetSource source{table, QStringLiteral("merged.q4t"), QDate(2026, 12, 7)};
    const SheetOptions big{SheetKind::Legends, 40, 10};
    const QString pdf = dir.filePath(QStringLiteral("big.pdf"));
    QCOMPARE(exportParsed(pdf, source, big), QString());
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(run(QStringLiteral("pdfinfo"), {pdf}));
    const int pages = match.captured(1).toInt();
    QVERIFY(pages >= 4);  // 20 boxes of 40 mm at most fit a page
    SvgSheet svg;
    QCOMPARE(exportParsed(dir.filePath(QStringLiteral("big.svg")), source, big, &svg), QString());
    QVERIFY2(qAbs(svg.heightMm - pages * 297.0) < 1 && qAbs(svg.widthMm - 210) < 0.5, qPrintable(QString::number(svg.heightMm)));
    QCOMPARE(svg.rects.size(), 87);
    int lastPage = 0;
    for (const SvgRect& box : svg.rects) {
      const int page = static_cast<int>(box.y / 297.0);
      QVERIFY2(static_cast<int>((box.y + box.height) / 297.0) == page, qPrintable(QString::number(box.y)));
      QVERIFY(page >= lastPage);  // in grid order
      lastPage = page;
    }
    QCOMPARE(lastPage + 1, pages);
    const QString png = dir.filePath(QStringLiteral("big.png"));
    QCOMPARE(exportParsed(png, source, big), QString());
    const QImage image(png);
    QVERIFY2(qAbs(image.height() - pages * image.width() * 297.0 / 210) < pages * 2, qPrintable(QString::number(image.height())));
  }

  // Whatever the file's name and the labels hold, the SVG is well-formed XML
  // and shows them as they are; what XML cannot hold shows as U+FFFD.
  void svgParsesWhateverNamesAndLabelsHold() {
    QTemporaryDir dir;
    KeyTable table = mergedTable();
    const QStringList labels = {QStringLiteral("Fish & Chips"), QStringLiteral("<b>bold</b>"),
                                QStringLiteral("\"q\" 'a' ]]>"), QStringLiteral("x\uFFFEy\uFFFFz")};
    const int keys[] = {84, 85, 86, 87};
    for (int i = 0; i < labels.size(); ++i) table.setLabel(keys[i], labels[i].toStdString());
    const q4t::SheetSource source{table, QStringLiteral("Fish & Chips <1> \uFFFF.q4t"), QDate(2026, 12, 7)};
    for (const SheetKind kind : {SheetKind::Layout, SheetKind::Legends}) {
      SvgSheet svg;
      const QString failed = exportParsed(dir.filePath(QStringLiteral("sheet.svg")), source, {kind, 20, 5}, &svg);
      QVERIFY2(failed.isEmpty(), qPrintable(failed));
      QCOMPARE(svg.title, QStringLiteral("Fish & Chips <1> \uFFFD.q4t"));
      QString texts;
      for (const SvgText& text : svg.texts) texts += text.text + QLatin1Char(' ');
      for (const QString& shown : {QStringLiteral("Fish & Chips <1>"), QStringLiteral("Fish & Chips"),
                                   QStringLiteral("<b>bold</b>"), QStringLiteral("\"q\" 'a' ]]>"),
                                   QStringLiteral("x\uFFFDy\uFFFDz")})
        QVERIFY2(texts.remove(QLatin1Char(' ')).contains(QString(shown).remove(QLatin1Char(' '))), qPrintable(shown + " in " + texts));
    }
  }

  // As saving a table: no device, FIFO or folder is replaced, also not
  // through a symbolic link; a regular file behind a link is written, the link stays.
  void exportWritesOnlyRegularFiles() {
    QTemporaryDir dir;
    const KeyTable table = mergedTable();
    const q4t::SheetSource source{table, QStringLiteral("merged.q4t"), QDate(2026, 12, 7)};
    const auto path = [&dir](const char* name) { return dir.filePath(QLatin1String(name)); };
    const auto local = [&path](const char* name) { return QFile::encodeName(path(name)); };
    QVERIFY(::mkfifo(local("fifo.pdf").constData(), 0644) == 0);
    QVERIFY(QFile::link(path("fifo.pdf"), path("fifo-link.svg")));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.png")));
    QStringList refused = {path("fifo.pdf"), path("fifo-link.svg"), path("folder.png")};
    // A null device of its own, where only root may make one.
    const bool device = ::mknod(local("null.pdf").constData(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    if (device && QFile::link(path("null.pdf"), path("null-link.svg"))) refused << path("null.pdf") << path("null-link.svg");
    for (const QString& target : refused) {
      QString reason;
      QVERIFY2(!q4t::exportSheet(target, source, {}, reason), qPrintable(target));
      QCOMPARE(reason, QStringLiteral("not a regular file"));
    }
    struct stat info {};
    QVERIFY(::stat(local("fifo.pdf").constData(), &info) == 0 && S_ISFIFO(info.st_mode));
    QVERIFY(QFileInfo(path("fifo-link.svg")).isSymLink() && QFileInfo(path("folder.png")).isDir());
    if (device) QVERIFY(::stat(local("null.pdf").constData(), &info) == 0 && S_ISCHR(info.st_mode));
    QFile old(path("old.pdf"));
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
    old.close();
    QFile::link(path("old.pdf"), path("link.pdf"));
    QCOMPARE(exportParsed(path("link.pdf"), source, {}), QString());
    QVERIFY(QFileInfo(path("link.pdf")).isSymLink() && QFileInfo(path("old.pdf")).size() > 1000);
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

  // The choice is kept; the insert settings serve the inserts only; the
  // labels that do not fit their inserts are listed while they do not.
  void sheetDialogKeepsItsChoiceAndListsWhatDoesNotFit() {
    KeyTable table = mergedTable();
    table.setLabel(7, "Donaudampfschifffahrtsgesellschaft");
    {
      q4t::SheetDialog dialog(table);
      const SheetOptions defaults = dialog.options();
      QVERIFY(defaults.kind == SheetKind::Layout && defaults.capMm == 14.0 && defaults.gapMm == 5.0);
      QVERIFY(defaults.oneTextSize && !defaults.asKeyboard);
      const QList<QDoubleSpinBox*> sizes = dialog.findChildren<QDoubleSpinBox*>();
      const QList<QCheckBox*> choices = dialog.findChildren<QCheckBox*>();
      const QListWidget* notFitting = dialog.findChild<QListWidget*>();
      QCOMPARE(sizes.size(), 2);
      QCOMPARE(choices.size(), 2);
      QVERIFY(!sizes[0]->isEnabled() && !choices[0]->isEnabled() && notFitting->isHidden());
      dialog.findChildren<QRadioButton*>().at(1)->setChecked(true);
      QVERIFY(sizes[0]->isEnabled() && choices[1]->isEnabled());
      QCOMPARE(notFitting->count(), 1);
      QCOMPARE(notFitting->item(0)->text(), QStringLiteral("key 7: Donaudampfschifffahrtsgesellschaft"));
      QVERIFY(!notFitting->isHidden());
      sizes[0]->setValue(40);
      QVERIFY(notFitting->isHidden());
      sizes[0]->setValue(18.5);
      sizes[1]->setValue(3);
      QCOMPARE(notFitting->count(), 1);
      choices[0]->setChecked(false);
      choices[1]->setChecked(true);
      bool saysScaling = false;
      for (const QLabel* label : dialog.findChildren<QLabel*>())
        saysScaling |= label->text().contains(QStringLiteral("100 %")) && label->text().contains(QStringLiteral("scaling"));
      QVERIFY(saysScaling);
      dialog.accept();
    }
    const SheetOptions kept = q4t::SheetDialog(table).options();
    QVERIFY(kept.kind == SheetKind::Legends && kept.capMm == 18.5 && kept.gapMm == 3.0);
    QVERIFY(!kept.oneTextSize && kept.asKeyboard);
    // Settings that give no sensible box are held within the dialog's limits.
    QSettings().setValue(QStringLiteral("Sheets/legendCapMm"), -4);
    QCOMPARE(q4t::SheetDialog::savedOptions().capMm, 5.0);
    QSettings().setValue(QStringLiteral("Sheets/legendCapMm"), QStringLiteral("wide"));
    QCOMPARE(q4t::SheetDialog::savedOptions().capMm, 5.0);
  }
};

QTEST_MAIN(SheetExportTest)
#include "SheetExportTest.moc"

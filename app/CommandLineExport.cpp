#include "app/CommandLineExport.h"

#include <QCommandLineParser>
#include <QGuiApplication>
#include <cmath>
#include <cstdio>

#include "app/ExportToAnyName.h"
#include "docview/FileNames.h"
#include "model/KeyTableFile.h"
#include "print/InsertLegends.h"
#include "print/SheetFiles.h"

namespace q4t {

namespace {
constexpr int kWritten = 0;
constexpr int kNotWritten = 1;
constexpr int kRefused = 2;
const QString kExport = QStringLiteral("export");
const QString kLegends = QStringLiteral("legends");
const QString kCapMm = QStringLiteral("cap-mm");
const QString kGapMm = QStringLiteral("gap-mm");
const QString kSeparateSizes = QStringLiteral("separate-text-sizes");
const QString kAsKeyboard = QStringLiteral("as-keyboard");
// The options that shape the inserts and mean nothing without --legends.
const QStringList kInsertOptions = {kCapMm, kGapMm, kSeparateSizes, kAsKeyboard};

void tell(const QString& text) { std::fprintf(stderr, "q4t-programmer: %s\n", qPrintable(text)); }

int fail(int status, const QString& text) {
  tell(text);
  return status;
}

// A size in millimetres within the dialog's limits; false when it is none.
bool readMillimetres(const QCommandLineParser& parser, const QString& name, double minimum, double maximum,
                     double& value) {
  if (!parser.isSet(name)) return true;
  bool ok = false;
  const double number = parser.value(name).toDouble(&ok);
  if (!ok || !std::isfinite(number) || number < minimum || number > maximum) return false;
  value = number;
  return true;
}

int writeSheet(int argc, char** argv, const QString& out, const SheetSource& source, const SheetOptions& options) {
  // Drawing text needs the fonts of a GUI application, without a display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  const QGuiApplication application(argc, argv);
  QString reason;
  if (!exportSheetToAnyName(out, source, options, reason))
    return fail(kNotWritten, docview::shownPath(out) + QStringLiteral(": ") + reason);
  if (options.kind == SheetKind::Legends)
    for (const QString& cut : InsertLegends(source.table, options).notFitting())
      tell(QStringLiteral("does not fit its insert, shown cut: ") + cut);
  return kWritten;
}

QString insertOptionUsed(const QCommandLineParser& parser) {
  for (const QString& name : kInsertOptions)
    if (parser.isSet(name)) return name;
  return {};
}
}  // namespace

QList<QCommandLineOption> exportOptions() {
  return {{kExport, QStringLiteral("Write the sheet of file to OUT (.pdf, .svg or .png) and exit."),
           QStringLiteral("OUT")},
          {kLegends, QStringLiteral("With --export: the legend inserts instead of the layout sheet.")},
          {kCapMm, QStringLiteral("With --legends: a single key's insert, mm (%1 to %2, default %3).").arg(kMinCapMm).arg(kMaxCapMm).arg(SheetOptions{}.capMm),
           QStringLiteral("N")},
          {kGapMm, QStringLiteral("With --legends: the gap between key caps, mm (0 to %1, default %2).").arg(kMaxGapMm).arg(SheetOptions{}.gapMm),
           QStringLiteral("N")},
          {kSeparateSizes, QStringLiteral("With --legends: each insert's text as large as it fits, not one size for all.")},
          {kAsKeyboard, QStringLiteral("With --legends: the inserts in the keyboard's rows and columns.")}};
}

bool asksForExport(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    for (const QString& name : QStringList{kExport, kLegends} + kInsertOptions) {
      const QByteArray option = "--" + name.toLatin1();
      if (argv[i] == option || QByteArray(argv[i]).startsWith(option + '=')) return true;
    }
  return false;
}

int runExportCommand(int argc, char** argv) {
  const QStringList arguments = docview::argumentsAsPaths(argc, argv);
  QCommandLineParser parser;
  parser.addOptions(exportOptions());
  if (!parser.parse(arguments)) return fail(kRefused, parser.errorText());
  if (!parser.isSet(kExport)) return fail(kRefused, QStringLiteral("--legends, --cap-mm and --gap-mm need --export"));
  if (const QString used = insertOptionUsed(parser); !used.isEmpty() && !parser.isSet(kLegends))
    return fail(kRefused, QStringLiteral("--%1 needs --legends").arg(used));
  const QString out = parser.value(kExport);
  const QStringList tables = parser.positionalArguments();
  if (tables.size() != 1) return fail(kRefused, QStringLiteral("--export takes one key table file"));
  if (sheetFormatOf(out) == SheetFormat::Unknown)
    return fail(kRefused, docview::shownPath(out) + QStringLiteral(": unknown file type (use .pdf, .svg or .png)"));
  SheetOptions options;
  options.kind = parser.isSet(kLegends) ? SheetKind::Legends : SheetKind::Layout;
  options.oneTextSize = !parser.isSet(kSeparateSizes);
  options.asKeyboard = parser.isSet(kAsKeyboard);
  if (!readMillimetres(parser, kCapMm, kMinCapMm, kMaxCapMm, options.capMm))
    return fail(kRefused, QStringLiteral("--cap-mm takes a number of millimetres from %1 to %2").arg(kMinCapMm).arg(kMaxCapMm));
  if (!readMillimetres(parser, kGapMm, 0, kMaxGapMm, options.gapMm))
    return fail(kRefused, QStringLiteral("--gap-mm takes a number of millimetres from 0 to %1").arg(kMaxGapMm));
  KeyTable table;
  if (const FileResult read = readKeyTable(docview::nativePath(tables.first()), table); !read)
    return fail(kRefused, docview::shownPath(tables.first()) + QStringLiteral(": ") + QString::fromStdString(read.reason));
  return writeSheet(argc, argv, out, {table, docview::shownName(tables.first()), QDate::currentDate()}, options);
}

}  // namespace q4t

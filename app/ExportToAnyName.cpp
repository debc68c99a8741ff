#include "app/ExportToAnyName.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "docview/FileNames.h"
#include "model/FileAccess.h"
#include "print/SheetFiles.h"

namespace q4t {

bool exportSheetToAnyName(const QString& path, const SheetSource& source, const SheetOptions& options,
                          QString& reason) {
  if (docview::qtCanName(path)) return exportSheet(path, source, options, reason);
  const QTemporaryDir drawing;
  const QString drawn = drawing.filePath(QStringLiteral("sheet.") + QFileInfo(path).suffix());
  if (!drawing.isValid() || !exportSheet(drawn, source, options, reason)) return false;
  QFile file(drawn);
  if (!file.open(QIODevice::ReadOnly)) {
    reason = file.errorString();
    return false;
  }
  const FileResult written = replaceFileContents(docview::nativePath(path), file.readAll().toStdString());
  reason = QString::fromStdString(written.reason);
  return written.ok;
}

}  // namespace q4t

#include "app/ExportToAnyName.h"

#include "docview/FileNames.h"
#include "print/SheetFiles.h"

namespace q4t {

bool exportSheetToAnyName(const QString& path, const SheetSource& source, const SheetOptions& options,
                          QString& reason) {
  return exportSheetTo(docview::nativePath(path), sheetFormatOf(path), source, options, reason);
}

}  // namespace q4t

// Writing a sheet to a file name Qt cannot name (one that is not UTF-8, as
// `q4t-programmer --export` may be given).
#pragma once

#include <QString>

#include "print/SheetOptions.h"

namespace q4t {

// As exportSheet; a name that is not UTF-8 gets the sheet drawn into a
// temporary file first, whose bytes then replace the file as a table save does.
bool exportSheetToAnyName(const QString& path, const SheetSource& source, const SheetOptions& options,
                          QString& reason);

}  // namespace q4t

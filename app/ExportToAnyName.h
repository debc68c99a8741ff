// Writing a sheet to a file name Qt cannot name (one that is not UTF-8, as
// `q4t-programmer --export` may be given).
#pragma once

#include <QString>

#include "print/SheetOptions.h"

namespace q4t {

// As exportSheet, to the file named by the bytes the path carries.
bool exportSheetToAnyName(const QString& path, const SheetSource& source, const SheetOptions& options,
                          QString& reason);

}  // namespace q4t

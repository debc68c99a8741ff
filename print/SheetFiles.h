// Printing a sheet and writing it to a file: PDF (fonts embedded), SVG or
// PNG by the file's suffix. Files are A4; an SVG or PNG of several pages
// holds them one below the other.
#pragma once

#include <string>

#include <QString>

#include "print/SheetOptions.h"

class QPrinter;

namespace q4t {

enum class SheetFormat { Unknown, Pdf, Svg, Png };

SheetFormat sheetFormatOf(const QString& path);

// Writes the whole file or nothing; false with the reason.
bool exportSheet(const QString& path, const SheetSource& source, const SheetOptions& options, QString& reason);
// As exportSheet, to the file the system names by these bytes (which need not be UTF-8).
bool exportSheetTo(const std::string& nativePath, SheetFormat format, const SheetSource& source,
                   const SheetOptions& options, QString& reason);

// Sets the printer's orientation for the sheet; before its print dialog.
void prepareSheetPrinter(QPrinter& printer, const SheetOptions& options);
// Paints every page on the printer, at 100 %.
void printSheet(QPrinter& printer, const SheetSource& source, const SheetOptions& options);

}  // namespace q4t

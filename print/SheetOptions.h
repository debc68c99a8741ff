// What a printed or exported sheet shows: the key layout or the legend
// inserts, with the size of the inserts in millimetres and how they are set.
#pragma once

#include <QDate>
#include <QString>

namespace q4t {

class KeyTable;

enum class SheetKind { Layout, Legends };

struct SheetOptions {
  SheetKind kind = SheetKind::Layout;
  double capMm = 14.0;  // a single key's insert is cap x cap
  double gapMm = 5.0;   // between two caps: a double key's insert spans it
  bool oneTextSize = true;  // every legend at the size the longest allows
  bool asKeyboard = false;  // the inserts in the keyboard's rows and columns
};

// The sizes the dialog and the command line take, in millimetres.
constexpr double kMinCapMm = 5, kMaxCapMm = 60, kMaxGapMm = 30;

// The table a sheet is made from, with what its header names.
struct SheetSource {
  const KeyTable& table;
  QString title;  // the file's name
  QDate printed;
};

}  // namespace q4t

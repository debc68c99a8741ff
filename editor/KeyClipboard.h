// A key on the clipboard. Copy gives other programs the text VALUE<TAB>LABEL
// and this program the key in a type of its own, with its size and counter.
// Paste reads that type first, else the text: VALUE<TAB>LABEL, or a number
// alone, which sets only the value. The value passes the Change Key Value
// dialog's check; a paste never changes a key's shape or counter.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <string>

class QMimeData;

namespace q4t {

class KeyTable;

inline constexpr char kKeyMimeType[] = "application/x-q4t-key";

// Key k of the table as clipboard data; the clipboard takes it over.
QMimeData* keyMimeData(const KeyTable& table, int k);

struct PastedKey {
  std::int32_t value = 0;
  std::optional<std::string> label;
};

// The key the data gives, or the dialog's message why there is none.
struct PasteReading {
  std::optional<PastedKey> key;
  QString refusal;
  bool warning = false;
};

PasteReading readPastedKey(const QMimeData* data);

}  // namespace q4t

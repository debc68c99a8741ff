// The content of a .q4t file: INI text with one section "0" to "91" per key,
// in UTF-8 (with or without a byte order mark), UTF-16 with one, or
// Windows-1252 (Latin-1) without one.
#pragma once

#include <string>

#include "model/FileResult.h"
#include "model/KeyTable.h"

namespace q4t {

// Fills the table from a file's bytes. Of repeated LABEL entries the first
// counts, an empty one is no label; a key hidden by a merge has none. Bytes
// that are no text, a text without any key section, or a number that does
// not fit 32 bits (the reason names its key and field) are not a key table:
// the table then holds the defaults of a missing file (every key -1, no
// counter).
FileResult parseKeyTable(const std::string& bytes, KeyTable& table);

// The bytes of an existing file (empty for a new one) with the six keys of
// all 92 sections set from the table. Other sections, keys, comments, and
// repeated keys stay, in their order and encoding; what the INI library
// rewrites is the layout: spaces around "=", line ends, blank lines, and
// lines that are neither section, entry nor comment, which it drops.
FileResult mergeKeyTable(const std::string& oldBytes, const KeyTable& table, std::string& newBytes);

}  // namespace q4t

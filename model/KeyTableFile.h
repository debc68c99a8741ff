// The .q4t key table file: INI text, one section "0" to "91" per key.
#pragma once

#include <string>

#include "model/KeyTable.h"

namespace q4t {

// Fills the table from the file; a missing or unreadable file gives every key
// its defaults. Never fails.
void readKeyTable(const std::string& path, KeyTable& table);

// Writes all 92 sections, keeping the other sections and keys of an existing
// file. The whole file is written to a temporary file beside it and renamed
// over the target, so a failed write leaves the old file as it was.
bool writeKeyTable(const std::string& path, const KeyTable& table);

// DefTable.q4t in the current directory.
std::string defaultTablePath();

// A path that still names the default table must get a new name before saving.
bool needsNewName(const std::string& path);

}  // namespace q4t

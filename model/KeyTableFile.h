// The .q4t key table file: INI text, one section "0" to "91" per key.
#pragma once

#include <filesystem>
#include <string>

#include "model/DataFiles.h"
#include "model/FileAccess.h"
#include "model/FileResult.h"
#include "model/KeyTable.h"

namespace q4t {

// Fills the table from the file. Only a regular file is read (a FIFO, device
// or directory is refused without waiting); a file that is no text, holds
// none of the 92 key sections, or holds a number beyond 32 bits is not a key
// table. On failure the table holds the defaults (every key -1) and the
// reason says why in a few words. The bytes read go to content when given.
FileResult readKeyTable(const std::string& path, KeyTable& table, FileContent* content = nullptr);

// Writes all 92 sections into the file the path names (through a symbolic
// link, which stays), keeping the other sections and keys of an existing file
// and its encoding, mode and, where allowed, owner. A file with one name is
// replaced atomically through a temporary file beside it; a file with several
// hard links is rewritten in place. The reason names the failing step. The
// bytes written go to content when given and the save worked.
FileResult writeKeyTable(const std::string& path, const KeyTable& table, FileContent* content = nullptr);

// DefTable.q4t in the current directory.
std::string defaultTablePath();

// The table a new document starts from: DefTable.q4t in the current directory
// when it is there, else the one installed with the program in programDir,
// else (neither there) the current directory's, which reads as all keys -1.
std::string newTablePath(const std::filesystem::path& programDir = programDirectory());

// A path that still names the default table must get a new name before saving.
bool needsNewName(const std::string& path);

}  // namespace q4t

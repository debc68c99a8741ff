// The store of kept keyboard tables: under its root one folder per keyboard,
// named by serialFolderName, and in it one key table file per table kept:
// what the keyboard held before a Download, and what a verified Download
// wrote. The store only ever adds files. A foreign file or folder in it is
// passed over; a kept table that cannot be read is listed as unreadable.
#pragma once

#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/FileResult.h"
#include "model/KeyTable.h"
#include "model/SnapshotNames.h"

namespace q4t {

// ${XDG_DATA_HOME:-~/.local/share}/q4t-programmer/keyboards; a relative
// XDG_DATA_HOME counts as unset.
std::filesystem::path defaultSnapshotRoot();

struct SavedSnapshot {
  FileResult result;  // the reason names the folder, the failing step and its cause
  std::filesystem::path path;
};

struct SnapshotInfo {
  std::filesystem::path path;
  SnapshotName name;
  std::string sourceFile;  // a written table's source file, as its comment line names it
  FileResult readable;     // why not, for a file that is no key table
  int keysChanged = -1;    // key changes from the readable table kept before it; -1 when there is none
};

struct KeyboardFolder {
  std::string serial;
  std::filesystem::path folder;
};

class SnapshotStore {
 public:
  explicit SnapshotStore(std::filesystem::path root = defaultSnapshotRoot());

  const std::filesystem::path& root() const { return root_; }
  std::filesystem::path folderOf(std::string_view serial) const;

  // Keeps the table, labels included, as a new file named by when it was
  // taken; a written table's file starts with a comment line naming
  // sourceFile. The file is written beside its name, flushed to disk, and
  // then given its name, which never replaces a file: a second table of the
  // same second gets the next number. The folder entries are flushed before
  // this returns. A failure leaves no part of the file under any listed name.
  SavedSnapshot save(std::string_view serial, SnapshotKind kind, const KeyTable& table, std::time_t when,
                     const std::string& sourceFile = {}) const;

  // Every keyboard folder, by folder name.
  std::vector<KeyboardFolder> keyboards() const;

  // The tables kept of one keyboard, oldest first; each is read.
  std::vector<SnapshotInfo> snapshots(std::string_view serial) const;

  // The same by their names alone, nothing read yet: a window lists these at
  // once and fills in the rest with a SnapshotReader.
  std::vector<SnapshotInfo> listSnapshots(std::string_view serial) const;

  // The newest written table of a keyboard, by its name only.
  std::optional<std::filesystem::path> latestWritten(std::string_view serial) const;

 private:
  std::filesystem::path root_;
};

// Reads one keyboard's listed tables one after the other, oldest first:
// whether each is a key table, the source file it names, and its key changes
// from the readable table before it.
class SnapshotReader {
 public:
  void read(SnapshotInfo& info);

 private:
  KeyTable previous_;
  bool havePrevious_ = false;
};

// The source file a kept table's comment line names; empty when it has none.
std::string sourceFileOf(const std::string& bytes);

}  // namespace q4t

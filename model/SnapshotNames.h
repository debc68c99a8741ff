// The names in the store of kept keyboard tables: a keyboard's serial number
// as one folder name, and a kept table's file name from the moment it was
// taken, "2024-05-01_101500-before.q4t".
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace q4t {

// The serial number as one file name component, readable and never the same
// for two serial numbers: letters, digits, "-", "_", "+" and "." stay (a
// leading "." does not), every other byte becomes %HH ("/" is %2F, NUL %00,
// "%" %25). An empty serial number, as the keyboard reports an area that was
// never set, is "no-serial"; a serial number that is "no-serial" itself is
// "no%2Dserial".
std::string serialFolderName(std::string_view serial);

// The serial number a folder name stands for; nothing for a name that
// serialFolderName does not make (a folder someone else put there).
std::optional<std::string> serialOfFolder(std::string_view folder);

enum class SnapshotKind { Before, Written };

// A kept table's file name: the local time to the second, then "-N" for the
// N-th table of the same second (from 2 on), then its kind.
struct SnapshotName {
  std::string stamp;  // "2024-05-01_101500"
  int sequence = 1;
  SnapshotKind kind = SnapshotKind::Before;
};

std::string snapshotFileName(const SnapshotName& name);

// Nothing for any other name.
std::optional<SnapshotName> parseSnapshotFileName(std::string_view fileName);

// "2024-05-01_101500" in local time.
std::string snapshotStamp(std::time_t when);

// "2024-05-01 10:15:00" for a stamp.
std::string stampDateText(std::string_view stamp);

// "before", "written".
const char* kindName(SnapshotKind kind);

// Oldest first: by time, then by number in the second, then before ahead of written.
bool takenBefore(const SnapshotName& a, const SnapshotName& b);

}  // namespace q4t

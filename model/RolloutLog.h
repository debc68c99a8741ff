// The log of a roll-out: a CSV file (see CsvText) with a header line and one
// line per keyboard: when it was done, the port, its serial number, the table
// file, the SHA-256 of the bytes the keyboard got, the result, the seconds it
// took and the file its old table was kept in. Each line is appended whole and
// synced to disk before the next keyboard, so a pulled plug or a killed
// program loses at most the line being written; an existing log is only ever
// added to, and only one roll-out at a time writes to it.
#pragma once

#include <ctime>
#include <string>

#include "model/FileResult.h"

namespace q4t {

struct RolloutEntry {
  std::time_t when = 0;
  std::string port;
  std::string serialNumber;  // the keyboard's bytes; empty when it has none set
  std::string tableFile;
  std::string tableSha256;
  std::string result;
  double seconds = 0;
  std::string snapshotFile;
};

extern const char* const kRolloutLogHeader;  // without its line end

// Local time with its offset: "2024-12-08T12:00:00+01:00".
std::string isoLocalTime(std::time_t when);

// The entry as one CSV record, line end included.
std::string rolloutLogRecord(const RolloutEntry& entry);

class RolloutLog {
 public:
  RolloutLog() = default;
  ~RolloutLog();
  RolloutLog(const RolloutLog&) = delete;
  RolloutLog& operator=(const RolloutLog&) = delete;

  // Opens the log for appending; a new or empty file gets the header first.
  // Refused, with the reason, before any keyboard is touched: a folder, FIFO
  // or device, a file that cannot be opened for writing, one that another
  // roll-out writes to, or one whose first line is not the header.
  FileResult open(const std::string& path);
  // The whole line, synced to disk, or nothing of it: a write that fails part
  // of the way (a full disk) is cut off again.
  FileResult append(const RolloutEntry& entry);
  const std::string& path() const { return path_; }

 private:
  FileResult appendBytes(const std::string& bytes);
  void close();

  int fd_ = -1;
  std::string path_;
};

}  // namespace q4t

#include "model/RolloutLog.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "model/CsvText.h"
#include "model/FileCalls.h"
#include "model/PathText.h"

namespace q4t {

const char* const kRolloutLogHeader =
    "time,port,serial number,table file,table SHA-256,result,seconds,snapshot file";

namespace {

FileResult failure(const char* step) { return fileFailure(std::string(step) + ": " + std::strerror(errno)); }

// True when the file's first line is the header: what else it holds is no log of ours.
bool startsWithHeader(int fd) {
  const std::string wanted = std::string(kRolloutLogHeader) + "\r\n";
  std::string first(wanted.size(), '\0');
  if (::lseek(fd, 0, SEEK_SET) != 0) return false;
  const auto got = ::read(fd, first.data(), static_cast<unsigned>(first.size()));
  return got == static_cast<ssize_t>(first.size()) && first == wanted;
}

// To the hundredth, so that the times of the ports can be compared.
std::string hundredths(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", seconds);
  return text;
}

}  // namespace

std::string isoLocalTime(std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  char text[40];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
  const std::string_view iso = text;
  const std::size_t minutes = iso.size() - 2;  // +0100 is written +01:00
  return std::string(iso.substr(0, minutes)) + ":" + std::string(iso.substr(minutes));
}

std::string rolloutLogRecord(const RolloutEntry& entry) {
  return csvRecord({isoLocalTime(entry.when), entry.port, keyboardTextUtf8(entry.serialNumber), entry.tableFile,
                    entry.tableSha256, entry.result, hundredths(entry.seconds), entry.snapshotFile});
}

RolloutLog::~RolloutLog() { close(); }

void RolloutLog::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

FileResult RolloutLog::open(const std::string& path) {
  close();
  path_ = path;
  std::error_code error;
  const auto found = std::filesystem::status(pathOf(path), error);
  if (std::filesystem::exists(found) && !std::filesystem::is_regular_file(found)) return fileFailure("not a regular file");
  // Read too, for the header; O_NONBLOCK so that a FIFO put there since cannot hold the open.
  fd_ = fileCalls().Open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
  if (fd_ < 0) return failure("cannot open");
  FileResult result;
  struct stat status {};
  if (::fstat(fd_, &status) != 0 || !S_ISREG(status.st_mode)) {
    result = fileFailure("not a regular file");
  } else if (fileCalls().LockAlone(fd_) != 0) {
    result = fileFailure("another roll-out writes to it");
  } else if (status.st_size == 0) {
    result = appendBytes(std::string(kRolloutLogHeader) + "\r\n");
  } else if (!startsWithHeader(fd_)) {
    result = fileFailure("not a roll-out log (its first line is not the header)");
  }
  if (!result) close();
  return result;
}

FileResult RolloutLog::append(const RolloutEntry& entry) {
  if (fd_ < 0) return fileFailure("not open");
  return appendBytes(rolloutLogRecord(entry));
}

FileResult RolloutLog::appendBytes(const std::string& bytes) {
  struct stat status {};
  if (::fstat(fd_, &status) != 0) return failure("stat");
  FileCalls& calls = fileCalls();
  for (std::size_t written = 0; written < bytes.size();) {
    const ssize_t n = calls.Write(fd_, bytes.data() + written, bytes.size() - written);
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;  // a write that takes nothing: no room
      const FileResult failed = failure("write");
      calls.Truncate(fd_, status.st_size);  // nothing half written stays
      return failed;
    }
    written += static_cast<std::size_t>(n);
  }
  if (calls.Sync(fd_) != 0) {
    const FileResult failed = failure("sync");
    calls.Truncate(fd_, status.st_size);
    return failed;
  }
  return {};
}

}  // namespace q4t

#include "model/SaveSteps.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

#include "model/FileAccess.h"
#include "model/FileCalls.h"

namespace q4t {

namespace {

// From the start: the bytes, then the file cut to their length, on the disk.
FileResult overwrite(int fd, const std::string& bytes) {
  if (::lseek(fd, 0, SEEK_SET) != 0) return fileStepFailure("seek");
  if (FileResult written = writeAll(fd, bytes); !written) return written;
  FileCalls& calls = fileCalls();
  if (calls.Truncate(fd, static_cast<off_t>(bytes.size())) != 0) return fileStepFailure("truncate");
  if (calls.Sync(fd) != 0) return fileStepFailure("sync");
  return {};
}

// A longer content gets its room before the first byte is overwritten, so a
// full disk fails the save while the file still holds the old content.
FileResult reserveRoom(int fd, std::size_t oldSize, std::size_t newSize) {
  if (newSize <= oldSize) return {};
  FileCalls& calls = fileCalls();
  if (calls.Allocate(fd, static_cast<off_t>(newSize)) == 0) return {};
  const FileResult failed = fileStepFailure("allocate");
  calls.Truncate(fd, static_cast<off_t>(oldSize));  // where the room was taken in part
  return failed;
}

}  // namespace

OpenFile::~OpenFile() {
  if (fd >= 0) ::close(fd);
}

FileResult readAll(int fd, std::string& bytes) {
  bytes.clear();
  char buffer[8192];
  for (;;) {
    const auto n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return fileStepFailure("read");
    if (n == 0) return {};
    bytes.append(buffer, static_cast<std::size_t>(n));
    if (bytes.size() > kMaxTableFileBytes) return fileFailure("too large for a key table");
  }
}

FileResult writeAll(int fd, const std::string& bytes) {
  FileCalls& calls = fileCalls();
  for (std::size_t done = 0; done < bytes.size();) {
    const ssize_t n = calls.Write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return fileStepFailure("write");
    done += static_cast<std::size_t>(n);
  }
  return {};
}

FileResult writeInPlace(const std::string& target, const std::string& bytes) {
  FileCalls& calls = fileCalls();
  OpenFile file(calls.Open(target.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC, 0));
  if (file.fd < 0) return fileStepFailure("open");
  std::string old;
  if (FileResult read = readAll(file.fd, old); !read) return read;
  if (FileResult room = reserveRoom(file.fd, old.size(), bytes.size()); !room) return room;
  FileResult result = overwrite(file.fd, bytes);
  if (result) return result;
  if (const FileResult restored = overwrite(file.fd, old); !restored)
    result.reason += "; the old content could not be put back (" + restored.reason + ")";
  return result;
}

}  // namespace q4t

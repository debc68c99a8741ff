#include "model/FileAccess.h"

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "model/FileCalls.h"
#include "model/SaveSteps.h"

namespace q4t {

namespace {

constexpr int kMaxLinkHops = 40;  // as the kernel's own limit (ELOOP)

std::string errnoText(int error) { return std::error_code(error, std::generic_category()).message(); }

// The file at the end of a chain of symbolic links; a dangling link gives the
// name it points to, which saving then creates.
FileResult followLinks(const std::string& path, std::string& target) {
  std::filesystem::path current = path;
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    std::error_code error;
    if (!std::filesystem::is_symlink(std::filesystem::symlink_status(current, error))) {
      target = current.string();
      return {};
    }
    const std::filesystem::path next = std::filesystem::read_symlink(current, error);
    if (error) return fileFailure("read link: " + error.message());
    current = next.is_absolute() ? next : current.parent_path() / next;
  }
  return fileFailure(errnoText(ELOOP));
}

// Beside the target, and short: the target's own name may take all of NAME_MAX.
std::string temporaryNameBeside(const std::string& target) {
  static std::atomic<unsigned> serial{0};
  const std::string name = ".q4t-" + std::to_string(::getpid()) + "-" + std::to_string(serial++) + ".tmp";
  return (std::filesystem::path(target).parent_path() / name).string();
}

// Mode and owner of the old file; the owner only where the system allows it.
bool takeOverAttributes(int fd, const struct stat& old) {
  if (::fchown(fd, old.st_uid, old.st_gid) != 0 && ::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) {
    // neither owner nor group may be given away: the file stays the saving user's
  }
  return ::fchmod(fd, old.st_mode & 07777) == 0;  // after fchown, which may clear set-id bits
}

FileResult writeThroughTemporary(const std::string& target, const std::string& bytes, const struct stat* old) {
  const std::string temporary = temporaryNameBeside(target);
  FileCalls& calls = fileCalls();
  // A new file gets the usual 0666 less the umask; a replacement starts private.
  const mode_t mode = old != nullptr ? 0600 : 0666;
  OpenFile file(calls.Open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, mode));
  if (file.fd < 0) return fileStepFailure("create");
  FileResult result = writeAll(file.fd, bytes);
  // After the writing, which clears set-id bits when an ordinary user writes.
  if (result && old != nullptr && !takeOverAttributes(file.fd, *old)) result = fileStepFailure("chmod");
  if (result && calls.Sync(file.fd) != 0) result = fileStepFailure("sync");
  if (result && ::close(file.fd) != 0) result = fileStepFailure("close");
  file.fd = -1;
  if (result && calls.Rename(temporary.c_str(), target.c_str()) != 0) result = fileStepFailure("rename");
  if (!result) ::unlink(temporary.c_str());
  return result;
}

}  // namespace

FileResult fileStepFailure(const char* step) { return fileFailure(std::string(step) + ": " + errnoText(errno)); }

FileResult readRegularFile(const std::string& path, std::string& bytes) {
  bytes.clear();
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return fileFailure(errnoText(errno));
  if (!S_ISREG(info.st_mode)) return fileFailure("not a regular file");
  OpenFile file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (file.fd < 0) return fileFailure(errnoText(errno));
  // The name may have been pointed elsewhere between the two looks.
  if (::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode)) return fileFailure("not a regular file");
  return readAll(file.fd, bytes);
}

// Any name: the calls tell what is wrong with one.
FileResult usableFileName(const std::string&) { return {}; }

FileContent currentContent(const std::string& path) {
  std::string bytes;
  if (!readRegularFile(path, bytes)) return std::nullopt;
  return bytes;
}

FileResult replaceFileContents(const std::string& path, const std::string& bytes) {
  std::string target;
  if (FileResult followed = followLinks(path, target); !followed) return followed;
  struct stat old {};
  if (::stat(target.c_str(), &old) != 0) {
    if (errno != ENOENT) return fileStepFailure("stat");
    return writeThroughTemporary(target, bytes, nullptr);
  }
  if (!S_ISREG(old.st_mode)) return fileFailure("not a regular file");
  if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) return fileFailure(errnoText(errno));
  if (old.st_nlink > 1) return writeInPlace(target, bytes);
  return writeThroughTemporary(target, bytes, &old);
}

}  // namespace q4t

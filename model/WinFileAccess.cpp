// Reading and replacing whole files on Windows. A save writes a temporary
// file beside the target and moves it over the old one in one step, written
// through to the disk (a file with several names is rewritten in place, as on
// Linux); a read-only or locked file, and a name Windows refuses, fail with
// the system's reason before anything is written.
#include "model/FileAccess.h"

#include <atomic>
#include <cerrno>
#include <filesystem>

#include <fcntl.h>
#include <windows.h>

#include "model/FileCalls.h"
#include "model/PathText.h"
#include "model/SaveSteps.h"
#include "model/WinFileCalls.h"
#include "model/WinSystemText.h"
#include "model/WindowsNames.h"

namespace q4t {

namespace {

// The reason of the last failed file call: the system's words where it gave a code.
std::string reasonOfLastCall() {
  const unsigned long code = lastFileCallError();
  return code != 0 ? systemMessage(code) : std::generic_category().message(errno);
}

}  // namespace

FileResult fileStepFailure(const char* step) { return fileFailure(std::string(step) + ": " + reasonOfLastCall()); }

// The name as Windows would see it, whole, checked before it is used.
FileResult usableFileName(const std::string& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(pathOf(path), error);
  switch (windowsNameProblem(error ? path : pathText(absolute))) {
    case WindowsNameProblem::InvalidName:
      return fileFailure(systemMessage(ERROR_INVALID_NAME));
    case WindowsNameProblem::TooLong:
      return fileFailure(systemMessage(ERROR_FILENAME_EXCED_RANGE));
    case WindowsNameProblem::None:
      break;
  }
  return {};
}

namespace {

class OpenHandle {
 public:
  explicit OpenHandle(HANDLE handle) : handle_(handle) {}
  ~OpenHandle() {
    if (valid()) CloseHandle(handle_);
  }
  OpenHandle(const OpenHandle&) = delete;
  OpenHandle& operator=(const OpenHandle&) = delete;
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

FileResult readAll(HANDLE file, std::string& bytes) {
  char buffer[8192];
  for (DWORD n = 0;; bytes.append(buffer, n)) {
    if (!ReadFile(file, buffer, sizeof buffer, &n, nullptr)) return fileFailure(systemMessage(GetLastError()));
    if (n == 0) return {};
    if (bytes.size() + n > kMaxTableFileBytes) return fileFailure("too large for a key table");
  }
}

std::string temporaryNameBeside(const std::string& target) {
  static std::atomic<unsigned> serial{0};
  const std::string name =
      ".q4t-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(serial++) + ".tmp";
  return pathText(pathOf(target).parent_path() / name);
}

// How many names (hard links) the file has; 1 when the system does not say.
DWORD linkCount(const std::string& path) {
  const OpenHandle file(CreateFileW(wideFromUtf8(path).c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  BY_HANDLE_FILE_INFORMATION information{};
  if (!file.valid() || !GetFileInformationByHandle(file.get(), &information)) return 1;
  return information.nNumberOfLinks;
}

FileResult writeThroughTemporary(const std::string& target, const std::string& bytes) {
  const std::string temporary = temporaryNameBeside(target);
  FileCalls& calls = fileCalls();
  const int fd = calls.Open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
  if (fd < 0) return fileStepFailure("create");
  FileResult result = writeAll(fd, bytes);
  if (result && calls.Sync(fd) != 0) result = fileStepFailure("sync");
  if (calls.Close(fd) != 0 && result) result = fileStepFailure("close");
  if (result && calls.Rename(temporary.c_str(), target.c_str()) != 0) result = fileStepFailure("rename");
  if (!result) calls.Remove(temporary.c_str());
  return result;
}

}  // namespace

FileResult readRegularFile(const std::string& path, std::string& bytes) {
  bytes.clear();
  if (FileResult name = usableFileName(path); !name) return name;
  const DWORD attributes = GetFileAttributesW(wideFromUtf8(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return fileFailure(systemMessage(GetLastError()));
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return fileFailure("not a regular file");
  OpenHandle file(CreateFileW(wideFromUtf8(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return fileFailure(systemMessage(GetLastError()));
  if (GetFileType(file.get()) != FILE_TYPE_DISK) return fileFailure("not a regular file");
  return readAll(file.get(), bytes);
}

FileContent currentContent(const std::string& path) {
  std::string bytes;
  if (!readRegularFile(path, bytes)) return std::nullopt;
  return bytes;
}

FileResult replaceFileContents(const std::string& path, const std::string& bytes) {
  if (FileResult name = usableFileName(path); !name) return name;
  const DWORD attributes = GetFileAttributesW(wideFromUtf8(path).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return fileFailure("not a regular file");
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) return fileFailure(systemMessage(ERROR_ACCESS_DENIED));
    if (linkCount(path) > 1) return writeInPlace(path, bytes);
  }
  return writeThroughTemporary(path, bytes);
}

}  // namespace q4t

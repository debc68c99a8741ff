// The file calls on Windows: UTF-8 paths as UTF-16, C runtime descriptors in
// binary mode that no child process inherits, and a rename that replaces the
// old file in one step, written through to the disk.
#include "model/FileCalls.h"

#include <cerrno>

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>

#include "model/PathText.h"
#include "model/WinFileCalls.h"

namespace q4t {

namespace {

FileCalls realCalls;
FileCalls* activeCalls = &realCalls;
thread_local unsigned long lastError = 0;

int errnoFor(unsigned long code) {
  switch (code) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    default:
      return EIO;
  }
}

// A C runtime call: its result, with the system's code noted when it failed.
int noted(int result) {
  if (result < 0) lastError = _doserrno != 0 ? static_cast<unsigned long>(_doserrno) : 0;
  return result;
}

int systemCall(BOOL succeeded) {
  if (succeeded) return 0;
  noteFileCallError(GetLastError());
  return -1;
}

}  // namespace

unsigned long lastFileCallError() { return lastError; }

void noteFileCallError(unsigned long code) {
  lastError = code;
  errno = errnoFor(code);
}

int FileCalls::Open(const char* path, int flags, mode_t) {
  int fd = -1;
  _doserrno = 0;
  const errno_t error = _wsopen_s(&fd, wideFromUtf8(path).c_str(), flags | _O_BINARY | _O_NOINHERIT, _SH_DENYNO,
                                  _S_IREAD | _S_IWRITE);
  if (error != 0) errno = error;
  return noted(error != 0 ? -1 : fd);
}

ssize_t FileCalls::Write(int fd, const void* bytes, std::size_t n) {
  _doserrno = 0;
  return noted(_write(fd, bytes, static_cast<unsigned>(n)));
}

int FileCalls::Truncate(int fd, off_t size) {
  _doserrno = 0;
  const errno_t error = _chsize_s(fd, size);
  if (error != 0) errno = error;
  return noted(error != 0 ? -1 : 0);
}

// Windows gives the room by setting the size, zeros to the end.
int FileCalls::Allocate(int fd, off_t size) { return Truncate(fd, size); }

int FileCalls::Sync(int fd) {
  _doserrno = 0;
  return noted(_commit(fd));
}

int FileCalls::Rename(const char* from, const char* to) {
  return systemCall(MoveFileExW(wideFromUtf8(from).c_str(), wideFromUtf8(to).c_str(),
                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
}

// A move that never replaces a file: the new name is taken in one step or
// not at all, on any file system (FAT has no hard links); the old name goes.
int FileCalls::Link(const char* from, const char* to) {
  return systemCall(MoveFileExW(wideFromUtf8(from).c_str(), wideFromUtf8(to).c_str(), MOVEFILE_WRITE_THROUGH));
}

int FileCalls::Close(int fd) {
  _doserrno = 0;
  return noted(_close(fd));
}

int FileCalls::Remove(const char* path) { return systemCall(DeleteFileW(wideFromUtf8(path).c_str())); }

// The write-through moves put the names on the disk already.
int FileCalls::SyncFolder(const char*) { return 0; }

// A lock on one byte far past the end: other programs asking the same are
// refused, while anyone may still read the log.
int FileCalls::LockAlone(int fd) {
  OVERLAPPED pastTheEnd{};
  pastTheEnd.Offset = MAXDWORD;
  pastTheEnd.OffsetHigh = 0x7fffffff;
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  return systemCall(LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &pastTheEnd));
}

FileCalls& fileCalls() { return *activeCalls; }
void useFileCalls(FileCalls* calls) { activeCalls = calls != nullptr ? calls : &realCalls; }

}  // namespace q4t

// The system calls that save a file (paths in UTF-8), behind a seam so that tests can make
// each step fail, also when they run as root.
#pragma once

#include <cstddef>

#include <sys/types.h>

#ifdef _WIN32
// Flags that only POSIX systems know; the Windows calls need none of them.
#define O_NOCTTY 0
#define O_CLOEXEC 0
#define O_NONBLOCK 0
#endif

namespace q4t {

class FileCalls {
 public:
  virtual ~FileCalls() = default;
  virtual int Open(const char* path, int flags, mode_t mode);
  virtual ssize_t Write(int fd, const void* bytes, std::size_t n);
  virtual int Truncate(int fd, off_t size);
  // Makes room for size bytes from the start; -1 with errno when there is none.
  virtual int Allocate(int fd, off_t size);
  virtual int Sync(int fd);
  virtual int Rename(const char* from, const char* to);
  virtual int Link(const char* from, const char* to);  // a second name; never replaces one
  virtual int Close(int fd);
  virtual int Remove(const char* path);
  // The folder's entries on the disk, so that a new name survives a crash.
  virtual int SyncFolder(const char* path);
  // Keeps other programs that ask the same from writing the file too; -1 with errno when one does.
  virtual int LockAlone(int fd);
};

// The calls saving goes through: the real ones unless a test put others in.
FileCalls& fileCalls();
void useFileCalls(FileCalls* calls);  // nullptr: the real calls again

}  // namespace q4t

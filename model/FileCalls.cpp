#include "model/FileCalls.h"

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace q4t {

namespace {
FileCalls realCalls;
FileCalls* activeCalls = &realCalls;
}  // namespace

int FileCalls::Open(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
ssize_t FileCalls::Write(int fd, const void* bytes, std::size_t n) { return ::write(fd, bytes, n); }
int FileCalls::Truncate(int fd, off_t size) { return ::ftruncate(fd, size); }
int FileCalls::Allocate(int fd, off_t size) {
  const int error = ::posix_fallocate(fd, 0, size);  // returns the error instead of setting errno
  if (error == 0) return 0;
  errno = error;
  return -1;
}
int FileCalls::Sync(int fd) { return ::fsync(fd); }
int FileCalls::Rename(const char* from, const char* to) { return std::rename(from, to); }
int FileCalls::Link(const char* from, const char* to) { return ::link(from, to); }
int FileCalls::Close(int fd) { return ::close(fd); }
int FileCalls::Remove(const char* path) { return ::unlink(path); }
int FileCalls::SyncFolder(const char* path) {
  const int fd = Open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
  if (fd < 0) return -1;
  const bool synced = Sync(fd) == 0;
  const int error = errno;
  ::close(fd);
  errno = error;
  return synced ? 0 : -1;
}

int FileCalls::LockAlone(int fd) { return ::flock(fd, LOCK_EX | LOCK_NB); }

FileCalls& fileCalls() { return *activeCalls; }
void useFileCalls(FileCalls* calls) { activeCalls = calls != nullptr ? calls : &realCalls; }

}  // namespace q4t

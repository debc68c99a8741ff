#include "link/SerialSystem.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace q4t {

namespace {

class PosixSerialSystem : public SerialSystem {
 public:
  int Open(const char* path, int flags) override { return ::open(path, flags); }
  int Close(int fd) override { return ::close(fd); }
  int Ioctl(int fd, unsigned long request, int* argument) override { return ::ioctl(fd, request, argument); }
  int GetAttributes(int fd, termios* settings) override { return ::tcgetattr(fd, settings); }
  int SetAttributes(int fd, const termios* settings) override { return ::tcsetattr(fd, TCSANOW, settings); }
  int Flush(int fd) override { return ::tcflush(fd, TCIOFLUSH); }
  int Lock(int fd, int operation) override { return ::flock(fd, operation); }
  ssize_t Read(int fd, void* buffer, std::size_t n) override { return ::read(fd, buffer, n); }
  ssize_t Write(int fd, const void* bytes, std::size_t n) override { return ::write(fd, bytes, n); }
  int Poll(pollfd* fds, nfds_t count, int timeoutMs) override { return ::poll(fds, count, timeoutMs); }
};

}  // namespace

SerialSystem& RealSerialSystem() {
  static PosixSerialSystem system;
  return system;
}

}  // namespace q4t

// The operating-system calls of the serial port, behind a seam so that tests
// can check their order.
#pragma once

#include <cstddef>

#include <poll.h>
#include <sys/types.h>
#include <termios.h>

namespace q4t {

class SerialSystem {
 public:
  virtual ~SerialSystem() = default;
  virtual int Open(const char* path, int flags) = 0;
  virtual int Close(int fd) = 0;
  virtual int Ioctl(int fd, unsigned long request, int* argument) = 0;
  virtual int GetAttributes(int fd, termios* settings) = 0;
  virtual int SetAttributes(int fd, const termios* settings) = 0;
  virtual int Flush(int fd) = 0;
  virtual int Lock(int fd, int operation) = 0;
  virtual ssize_t Read(int fd, void* buffer, std::size_t n) = 0;
  virtual ssize_t Write(int fd, const void* bytes, std::size_t n) = 0;
  virtual int Poll(pollfd* fds, nfds_t count, int timeoutMs) = 0;
};

SerialSystem& RealSerialSystem();

}  // namespace q4t

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>

#include "link/SerialPort.h"

namespace q4t {
namespace {

// Records the calls in order; the device refuses the DTR drop as a
// pseudo-terminal does.
class RecordingSystem : public SerialSystem {
 public:
  int Open(const char* path, int flags) override {
    calls.push_back(std::string("open ") + path);
    openFlags = flags;
    if (failOpen) errno = EACCES;
    return failOpen ? -1 : 7;
  }
  int Close(int) override { return note("close"); }
  int Ioctl(int, unsigned long request, int* argument) override {
    if (request == TIOCEXCL) return note("exclusive");
    if (request == TIOCNXCL) return note("not exclusive");
    if (request == TIOCMBIC) {
      calls.push_back(*argument == TIOCM_DTR ? "drop DTR" : "clear lines");
      errno = EINVAL;
      return -1;
    }
    if (request == FIONREAD) *argument = queued;
    return note("ioctl");
  }
  int GetAttributes(int, termios* settings) override {
    *settings = before;
    return note("get line");
  }
  int SetAttributes(int, const termios* settings) override {
    after = *settings;
    calls.push_back("set line");
    return failConfigure ? -1 : 0;
  }
  int Flush(int) override { return note("flush"); }
  int Lock(int, int operation) override { return note(operation == LOCK_UN ? "unlock" : "lock"); }
  ssize_t Read(int, void*, std::size_t) override {
    errno = EIO;
    return note("read") - 1;  // fails
  }
  ssize_t Write(int, const void*, std::size_t n) override { return static_cast<ssize_t>(n); }
  int Poll(pollfd*, nfds_t, int) override { return note("poll"); }

  int note(const std::string& call) {
    calls.push_back(call);
    return 0;
  }
  std::vector<std::string> calls;
  int openFlags = 0;
  int queued = 0;
  bool failOpen = false, failConfigure = false;
  termios before{}, after{};
};

TEST(SerialSeam, OpenConfiguresAndCloseDropsDtrThenFlushes) {
  RecordingSystem system;
  system.before.c_cflag = CRTSCTS | PARENB | CSTOPB | CS7;
  system.before.c_lflag = ICANON | ECHO;
  system.before.c_iflag = IXON | ICRNL;
  CSerialPort port(system);
  ASSERT_TRUE(port.OpenPath("/dev/ttyS0"));
  EXPECT_EQ(system.calls, (std::vector<std::string>{"open /dev/ttyS0", "lock", "exclusive", "flush",
                                                     "get line", "set line"}));
  EXPECT_TRUE(system.openFlags & O_NOCTTY);
  EXPECT_EQ(system.openFlags & O_ACCMODE, O_RDWR);
  EXPECT_EQ(system.after.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(system.after.c_cflag & (PARENB | CSTOPB), 0u);
  EXPECT_TRUE(system.after.c_cflag & CRTSCTS);  // hardware flow control stays as it was
  EXPECT_EQ(system.after.c_lflag & (ICANON | ECHO), 0u);
  EXPECT_EQ(system.after.c_iflag & (IXON | ICRNL), 0u);
  EXPECT_EQ(cfgetospeed(&system.after), B9600);

  system.calls.clear();
  EXPECT_TRUE(port.Close());
  EXPECT_EQ(system.calls, (std::vector<std::string>{"drop DTR", "flush", "not exclusive", "unlock", "close"}));
  EXPECT_FALSE(port.IsOpen());
}

TEST(SerialSeam, FailedOpensCloseAgainAndSayWhy) {
  RecordingSystem system;
  system.failOpen = true;
  CSerialPort port(system);
  EXPECT_FALSE(port.OpenPath("/dev/ttyS0"));
  EXPECT_EQ(port.LastError(), "/dev/ttyS0: Permission denied");
  EXPECT_TRUE(port.LastOpenDenied());  // the user is told how to join the dialout group
  system.failOpen = false;
  system.failConfigure = true;
  system.calls.clear();
  errno = 0;  // the line settings fail without a cause of their own
  EXPECT_FALSE(port.OpenPath("/dev/ttyS0"));
  EXPECT_EQ(system.calls.back(), "close");
  EXPECT_FALSE(port.IsOpen());
  EXPECT_FALSE(port.LastOpenDenied());
  system.calls.clear();
  EXPECT_FALSE(port.Open(0));
  EXPECT_TRUE(system.calls.empty());
}

TEST(SerialSeam, AFailedReadAfterBytesWereReportedGivesNothing) {
  RecordingSystem system;
  CSerialPort port(system);
  ASSERT_TRUE(port.OpenPath("/dev/ttyS0"));
  system.queued = 40;
  std::uint8_t buffer[80];
  EXPECT_EQ(port.Read(buffer, sizeof buffer), 0u);
  EXPECT_EQ(system.calls.back(), "read");
}

TEST(SerialSeam, DestroyClosesAnOpenPort) {
  RecordingSystem system;
  CSerialPort port(system);
  ASSERT_TRUE(port.OpenPath("/dev/ttyS1"));
  port.Destroy();
  EXPECT_EQ(system.calls.back(), "close");
  EXPECT_FALSE(port.IsOpen());
}

}  // namespace
}  // namespace q4t

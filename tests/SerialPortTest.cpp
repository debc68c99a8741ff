#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "link/SerialPort.h"
#include "tests/TestTables.h"

namespace q4t {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A device behind the seam: every call is logged by name, one named call can
// be made to fail, writes follow a script, and a call on a descriptor that is
// not open is counted as misuse. Descriptors are never reused.
class ScriptedSystem : public SerialSystem {
 public:
  int Open(const char* path, int flags) override {
    if (fails("open " + std::string(path))) return -1;
    std::lock_guard lock(mutex_);
    openFlags = flags;
    open_.insert(nextFd_);
    return nextFd_++;
  }
  int Close(int fd) override {
    if (fails("close", fd)) return -1;
    std::lock_guard lock(mutex_);
    open_.erase(fd);
    return 0;
  }
  int Ioctl(int fd, unsigned long request, int* argument) override {
    if (request == FIONREAD) {
      if (fails("queued", fd)) return -1;
      *argument = queued;
      return 0;
    }
    if (request == TIOCMBIC) return fails(*argument == TIOCM_DTR ? "drop DTR" : "clear lines", fd) ? -1 : 0;
    return fails(request == TIOCEXCL ? "exclusive" : "ioctl", fd) ? -1 : 0;
  }
  int GetAttributes(int fd, termios* settings) override {
    *settings = line;
    return fails("get line", fd) ? -1 : 0;
  }
  int SetAttributes(int fd, const termios* settings) override {
    if (fails("set line", fd)) return -1;
    line = *settings;
    return 0;
  }
  int Flush(int fd) override { return fails("flush", fd) ? -1 : 0; }
  int Lock(int fd, int operation) override { return fails(operation == LOCK_UN ? "unlock" : "lock", fd) ? -1 : 0; }
  ssize_t Read(int fd, void*, std::size_t n) override {
    if (fails("read", fd)) return -1;
    readSizes.push_back(n);
    return static_cast<ssize_t>(n);
  }
  ssize_t Write(int fd, const void* bytes, std::size_t n) override {
    if (fails("write", fd)) return -1;
    long result = static_cast<long>(n);
    if (!writeScript.empty()) {
      result = std::min(writeScript.front(), result);
      writeScript.pop_front();
    }
    if (result < 0) {
      errno = static_cast<int>(-result);
      return -1;
    }
    const auto* first = static_cast<const std::uint8_t*>(bytes);
    sent.insert(sent.end(), first, first + result);
    return result;
  }
  int Poll(pollfd* fds, nfds_t, int timeoutMs) override {
    if (fails("poll", fds->fd)) return -1;
    pollTimeouts.push_back(timeoutMs);
    return pollReady;
  }

  std::size_t openDescriptors() {
    std::lock_guard lock(mutex_);
    return open_.size();
  }
  std::vector<std::string> takeCalls() {
    std::lock_guard lock(mutex_);
    return std::exchange(calls_, {});
  }

  std::string failing;  // the call that fails, "" for none
  int failError = 0;
  termios line{};
  int queued = 0;
  std::deque<long> writeScript;  // bytes taken by each write, or -errno
  int pollReady = 1;
  int openFlags = 0;
  std::atomic<int> misuse{0};
  std::vector<std::size_t> readSizes;
  std::vector<std::uint8_t> sent;
  std::vector<int> pollTimeouts;

 private:
  bool fails(const std::string& call, int fd = -1) {
    std::lock_guard lock(mutex_);
    if (fd >= 0 && open_.count(fd) == 0) ++misuse;
    calls_.push_back(call);
    if (failing.empty() || (call != failing && call.rfind(failing + " ", 0) != 0)) return false;
    errno = failError;
    return true;
  }

  std::mutex mutex_;
  std::vector<std::string> calls_;
  std::set<int> open_;
  int nextFd_ = 10;
};

TEST(SerialPortSeam, EveryFailedStepOfOpenClosesAgainAndNamesTheCause) {
  struct Case {
    const char* call;
    int error;
    const char* message;
  };
  const Case cases[] = {
      {"lock", EWOULDBLOCK, "Device or resource busy"},  // another program holds the lock
      {"lock", ENOLCK, "No locks available"},
      {"exclusive", ENOTTY, "Inappropriate ioctl for device"},
      {"flush", EIO, "Input/output error"},
      {"get line", ENOTTY, "Inappropriate ioctl for device"},
      {"set line", EINVAL, "Invalid argument"},
      {"set line", 0, "Input/output error"},  // a failure that leaves errno alone is still one
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.call) + " " + std::to_string(c.error));
    ScriptedSystem system;
    system.failing = c.call;
    system.failError = c.error;
    CSerialPort port(system);
    errno = 0;
    EXPECT_FALSE(port.OpenPath("/dev/ttyUSB0"));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.PollHandle(), -1);
    EXPECT_EQ(port.LastError(), std::string("/dev/ttyUSB0: ") + c.message);
    EXPECT_EQ(system.takeCalls().back(), "close");
    EXPECT_EQ(system.openDescriptors(), 0u);
    system.failing.clear();
    EXPECT_TRUE(port.OpenPath("/dev/ttyUSB0")) << "a later open works";
    EXPECT_EQ(port.LastError(), "");
  }

  ScriptedSystem system;
  system.failing = "open";
  system.failError = EACCES;
  CSerialPort port(system);
  EXPECT_FALSE(port.OpenPath("/dev/ttyS0"));
  EXPECT_EQ(port.LastError(), "/dev/ttyS0: Permission denied");
  EXPECT_EQ(system.takeCalls(), std::vector<std::string>{"open /dev/ttyS0"});
}

TEST(SerialPortSeam, LineBecomesRaw8N1AndKeepsHardwareFlowControlEitherWay) {
  for (const tcflag_t flow : {tcflag_t{0}, tcflag_t{CRTSCTS}}) {
    SCOPED_TRACE(flow ? "with RTS/CTS" : "without RTS/CTS");
    ScriptedSystem system;
    termios& line = system.line;  // a port left cooked at 115200 7O2 by a terminal program
    line.c_iflag = BRKINT | PARMRK | INPCK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY;
    line.c_oflag = OPOST | ONLCR;
    line.c_lflag = ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN;
    line.c_cflag = CS7 | PARENB | PARODD | CSTOPB | HUPCL | flow;
    line.c_cc[VMIN] = 1;
    line.c_cc[VTIME] = 5;
    cfsetispeed(&line, B115200);
    cfsetospeed(&line, B115200);
    CSerialPort port(system);
    ASSERT_TRUE(port.OpenPath("/dev/ttyS0"));
    EXPECT_TRUE(system.openFlags & O_NONBLOCK);
    EXPECT_EQ(line.c_iflag, 0u);
    EXPECT_EQ(line.c_oflag & OPOST, 0u);
    EXPECT_EQ(line.c_lflag, 0u);
    EXPECT_EQ(line.c_cflag & (CSIZE | PARENB | PARODD | CSTOPB | CREAD | CLOCAL),
              tcflag_t{CS8 | CREAD | CLOCAL});
    EXPECT_EQ(line.c_cflag & CRTSCTS, flow);
    EXPECT_TRUE(line.c_cflag & HUPCL) << "settings the port does not need stay";
    EXPECT_EQ(line.c_cc[VMIN], 0);
    EXPECT_EQ(line.c_cc[VTIME], 0);
    EXPECT_EQ(cfgetispeed(&line), B9600);
    EXPECT_EQ(cfgetospeed(&line), B9600);
  }
}

TEST(SerialPortSeam, NoDescriptorIsLeftBehindByReopeningOrCreating) {
  ScriptedSystem system;
  system.failing = "drop DTR";  // refused, as by a pseudo-terminal
  system.failError = EINVAL;
  CSerialPort port(system);
  ASSERT_TRUE(port.OpenPath("/dev/ttyS0"));
  ASSERT_TRUE(port.OpenPath("/dev/ttyS1"));  // without Close in between
  EXPECT_EQ(system.openDescriptors(), 1u);
  EXPECT_EQ(port.PollHandle(), 11);
  ASSERT_TRUE(port.Create());
  EXPECT_EQ(system.openDescriptors(), 0u);
  EXPECT_FALSE(port.IsOpen());
  ASSERT_TRUE(port.Open(2));
  EXPECT_TRUE(port.Close());
  EXPECT_TRUE(port.Close()) << "closing twice is harmless";
  const auto calls = system.takeCalls();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "close"), 3);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "drop DTR"), 3);
  EXPECT_EQ(port.PollHandle(), -1);
}

TEST(SerialPortSeam, WriteCompletesPartialWritesWithinTwoMillisecondsAByte) {
  ScriptedSystem system;
  CSerialPort port(system);
  const std::vector<std::uint8_t> frame = {0x02, 0x07, 0x09, 0x01, 0x03, 0x01, 0xE9};
  EXPECT_FALSE(port.Write(frame.data(), frame.size())) << "closed";
  EXPECT_TRUE(system.sent.empty());
  ASSERT_TRUE(port.OpenPath("/dev/ttyS0"));

  system.writeScript = {3, -EAGAIN, -EINTR, 1};
  EXPECT_TRUE(port.Write(frame.data(), frame.size()));
  EXPECT_EQ(system.sent, frame);
  ASSERT_EQ(system.pollTimeouts.size(), 2u);  // after EAGAIN and after EINTR
  for (const int timeout : system.pollTimeouts) {
    EXPECT_GT(timeout, 0);
    EXPECT_LE(timeout, 14);
  }

  system.sent.clear();
  system.writeScript = {2, -EAGAIN, -EAGAIN, -EAGAIN, -EAGAIN, -EAGAIN, -EAGAIN, -EAGAIN};
  system.pollReady = 0;  // the queue never drains
  const auto start = Clock::now();
  EXPECT_FALSE(port.Write(frame.data(), frame.size()));
  EXPECT_LT(Clock::now() - start, milliseconds(200));
  EXPECT_EQ(system.sent.size(), 2u);

  system.writeScript = {-EIO};
  EXPECT_FALSE(port.Write(frame.data(), frame.size()));
}

TEST(SerialPortSeam, ReadTakesOnlyWhatIsQueued) {
  ScriptedSystem system;
  CSerialPort port(system);
  std::uint8_t buffer[80];
  system.queued = 5;
  EXPECT_EQ(port.Read(buffer, sizeof buffer), 0u) << "closed";
  ASSERT_TRUE(port.OpenPath("/dev/ttyS0"));
  EXPECT_EQ(port.Read(buffer, sizeof buffer), 5u);
  system.queued = 200;
  EXPECT_EQ(port.Read(buffer, sizeof buffer), 80u);
  system.queued = 0;
  EXPECT_EQ(port.Read(buffer, sizeof buffer), 0u);
  EXPECT_EQ(system.readSizes, (std::vector<std::size_t>{5, 80})) << "no read without queued bytes";
}

// With two linked windows one receive thread may still read while the other
// window closes the port.
TEST(SerialPortSeam, ReadsNeverUseADescriptorWhileItIsClosed) {
  ScriptedSystem system;
  system.queued = 3;
  CSerialPort port(system);
  std::atomic<bool> done{false};
  std::thread receiver([&] {
    std::uint8_t buffer[80];
    while (!done) port.Read(buffer, sizeof buffer);
  });
  for (int i = 0; i < 2000; ++i) {
    ASSERT_TRUE(port.OpenPath("/dev/ttyS0"));
    port.Close();
  }
  done = true;
  receiver.join();
  EXPECT_EQ(system.misuse.load(), 0);
}

TEST(PortNames, SignsBlanksAndHugeNumbers) {
  EXPECT_EQ(PortNumberFromName(""), 0);
  EXPECT_EQ(PortNumberFromName("COM+4"), 4);
  EXPECT_EQ(PortNumberFromName("COM\t 8"), 8);
  EXPECT_EQ(PortNumberFromName("COM 5x9"), 5);
  EXPECT_EQ(PortNumberFromName("COM- 3"), 0);
  EXPECT_EQ(PortNumberFromName("COM-99999999999999999999"), INT_MIN);
  EXPECT_EQ(PortNumberFromName("COM2147483648"), INT_MAX);
}

TEST(PortNames, AnEntryInThePortFolderCountsEvenWhenItLeadsNowhere) {
  const std::string dir = testing::freshDirectory("port-folder");
  std::filesystem::create_symlink(dir + "/unplugged", dir + "/COM3");
  ::setenv("Q4T_PORT_DIR", dir.c_str(), 1);
  EXPECT_EQ(DevicePathForPort(3), dir + "/COM3");
  CSerialPort port;
  EXPECT_FALSE(port.Open(3));
  EXPECT_EQ(port.LastError(), dir + "/COM3: No such file or directory");
  ::setenv("Q4T_PORT_DIR", "", 1);
  EXPECT_EQ(DevicePathForPort(3), "/dev/ttyS2");
  ::unsetenv("Q4T_PORT_DIR");
  EXPECT_EQ(DevicePathForPort(3), "/dev/ttyS2");
  EXPECT_EQ(DevicePathForPort(-1), "");
}

// Every byte value crosses a real pseudo-terminal unchanged in both
// directions: no CR/LF translation, no XON/XOFF, no signal characters, no echo.
TEST(SerialPortLine, EveryByteValueCrossesUntranslated) {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(master, 0);
  ASSERT_EQ(::grantpt(master), 0);
  ASSERT_EQ(::unlockpt(master), 0);
  CSerialPort port;
  ASSERT_TRUE(port.OpenPath(::ptsname(master))) << port.LastError();

  std::vector<std::uint8_t> all(256);
  for (int i = 0; i < 256; ++i) all[i] = static_cast<std::uint8_t>(i);
  ASSERT_TRUE(port.Write(all.data(), all.size()));
  std::vector<std::uint8_t> atKeyboard;
  const auto deadline = Clock::now() + milliseconds(2000);
  while (atKeyboard.size() < all.size() && Clock::now() < deadline) {
    pollfd wait = {master, POLLIN, 0};
    if (::poll(&wait, 1, 50) <= 0) continue;
    std::uint8_t piece[512];
    const ssize_t n = ::read(master, piece, sizeof piece);
    if (n > 0) atKeyboard.insert(atKeyboard.end(), piece, piece + n);
  }
  EXPECT_EQ(atKeyboard, all);

  ASSERT_EQ(::write(master, all.data(), all.size()), 256);
  std::vector<std::uint8_t> atTool;
  while (atTool.size() < all.size() && Clock::now() < deadline) {
    pollfd wait = {port.PollHandle(), POLLIN, 0};
    ::poll(&wait, 1, 50);
    std::uint8_t piece[80];
    const std::size_t n = port.Read(piece, sizeof piece);
    atTool.insert(atTool.end(), piece, piece + n);
  }
  EXPECT_EQ(atTool, all);
  EXPECT_TRUE(port.Close());
  ::close(master);
}

}  // namespace
}  // namespace q4t

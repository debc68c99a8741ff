#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "link/SerialPort.h"
#include "tests/TestTables.h"

namespace q4t {
namespace {

// The keyboard's side of a pseudo-terminal, reached as COM<n> through Q4T_PORT_DIR.
class PseudoKeyboard {
 public:
  explicit PseudoKeyboard(const std::string& dir, int number) {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    ::grantpt(master_);
    ::unlockpt(master_);
    slavePath_ = ::ptsname(master_);
    slave_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY);  // keeps the line up
    link_ = dir + "/COM" + std::to_string(number);
    std::filesystem::remove(link_);
    std::filesystem::create_symlink(slavePath_, link_);
    ::setenv("Q4T_PORT_DIR", dir.c_str(), 1);
  }
  ~PseudoKeyboard() {
    ::close(slave_);
    ::close(master_);
    std::filesystem::remove(link_);
  }
  void send(const std::vector<std::uint8_t>& bytes) const {
    ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::usleep(20000);
  }
  std::vector<std::uint8_t> receive() const {
    ::usleep(20000);
    std::vector<std::uint8_t> bytes(512);
    const int flags = ::fcntl(master_, F_GETFL);
    ::fcntl(master_, F_SETFL, flags | O_NONBLOCK);
    const ssize_t n = ::read(master_, bytes.data(), bytes.size());
    bytes.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return bytes;
  }
  termios lineSettings() const {
    termios settings{};
    ::tcgetattr(slave_, &settings);
    return settings;
  }
  const std::string& slavePath() const { return slavePath_; }
  bool exclusive() const {
    int on = -1;
    return ::ioctl(slave_, TIOCGEXCL, &on) == 0 && on != 0;
  }

 private:
  int master_ = -1, slave_ = -1;
  std::string slavePath_, link_;
};

class SerialPortPty : public ::testing::Test {
 protected:
  std::string dir = testing::freshDirectory("pty");
  PseudoKeyboard keyboard{dir, 4};
  CSerialPort port;
};

TEST_F(SerialPortPty, OpensThroughThePortFolderAtTheLineSettings) {
  EXPECT_EQ(DevicePathForPort(4), dir + "/COM4");
  EXPECT_EQ(DevicePathForPort(5), "/dev/ttyS4");
  EXPECT_EQ(DevicePathForPort(0), "");
  ASSERT_TRUE(port.Create());
  ASSERT_TRUE(port.Open(4)) << port.LastError();
  EXPECT_TRUE(port.IsOpen());
  const termios line = keyboard.lineSettings();
  EXPECT_EQ(cfgetospeed(&line), B9600);
  EXPECT_EQ(cfgetispeed(&line), B9600);
  EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(line.c_cflag & (PARENB | CSTOPB), 0u);
  EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG), 0u);
  EXPECT_EQ(line.c_iflag & (IXON | IXOFF | ICRNL), 0u);
  EXPECT_EQ(line.c_oflag & OPOST, 0u);

  CSerialPort second;
  EXPECT_FALSE(second.Open(4));  // exclusive
  EXPECT_NE(second.LastError().find(dir + "/COM4: "), std::string::npos);
  EXPECT_FALSE(second.Open(0));
}

TEST_F(SerialPortPty, FramesGoBothWaysAndReadNeverWaits) {
  ASSERT_TRUE(port.Open(4));
  const std::vector<std::uint8_t> connect = {0x02, 0x07, 0x09, 0x01, 0x03, 0x01, 0xE9};
  ASSERT_TRUE(port.Write(connect.data(), connect.size()));
  EXPECT_EQ(keyboard.receive(), connect);

  std::uint8_t buffer[256];
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(port.Read(buffer, sizeof buffer), 0u);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(5));

  std::vector<std::uint8_t> queued(200);
  for (std::size_t i = 0; i < queued.size(); ++i) queued[i] = static_cast<std::uint8_t>(i);
  keyboard.send(queued);
  EXPECT_EQ(port.Read(buffer, 80), 80u);
  EXPECT_EQ(buffer[79], 79);
  EXPECT_EQ(port.Read(buffer, 80), 80u);
  EXPECT_EQ(port.Read(buffer, 80), 40u);
  EXPECT_EQ(buffer[39], 199);
  EXPECT_EQ(port.Read(buffer, 80), 0u);
}

TEST_F(SerialPortPty, CloseIgnoresTheRefusedDtrDropAndOpensAgain) {
  ASSERT_TRUE(port.Open(4));
  EXPECT_TRUE(keyboard.exclusive());
  EXPECT_TRUE(port.Close());
  EXPECT_FALSE(keyboard.exclusive());  // the device outlives the port: others may open it
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(port.PollHandle(), -1);
  ASSERT_TRUE(port.Open(4));
  port.Destroy();
  EXPECT_FALSE(port.IsOpen());
  CSerialPort other;
  EXPECT_TRUE(other.Open(4));  // released by Destroy
}

TEST(PortNames, NumberAfterTheFirstThreeCharacters) {
  EXPECT_EQ(PortNumberFromName("COM1"), 1);
  EXPECT_EQ(PortNumberFromName("COM12"), 12);
  EXPECT_EQ(PortNumberFromName("COM 5"), 5);
  EXPECT_EQ(PortNumberFromName("LPT3"), 3);
  EXPECT_EQ(PortNumberFromName("COM007"), 7);
  EXPECT_EQ(PortNumberFromName("COM"), 0);
  EXPECT_EQ(PortNumberFromName("COMX"), 0);
  EXPECT_EQ(PortNumberFromName("COM-3"), -3);
  EXPECT_EQ(PortNumberFromName("CO"), 0);
  EXPECT_EQ(PortNumberFromName("COM99999999999999999999"), 2147483647);
}

}  // namespace
}  // namespace q4t

#include "link/SerialPort.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>

namespace q4t {

namespace {

constexpr int kWriteMsPerByte = 19200 / CSerialPort::kBaudRate;

// Raw as a Windows port: no echo, no line editing, no signals, no character
// translation, no software flow control; 8N1 at 9600. Hardware flow control stays.
void makeRaw(termios& settings) {
  settings.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                             IXON | IXOFF | IXANY | INPCK);
  settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  settings.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB);
  settings.c_cflag |= CS8 | CREAD | CLOCAL;
  settings.c_cc[VMIN] = 0;
  settings.c_cc[VTIME] = 0;
  cfsetispeed(&settings, B9600);
  cfsetospeed(&settings, B9600);
}

}  // namespace

CSerialPort::CSerialPort(SerialSystem& system) : system_(system) {}

CSerialPort::~CSerialPort() { Destroy(); }

bool CSerialPort::Create() {
  open_ = false;
  handle_ = -1;
  return true;
}

void CSerialPort::Destroy() {
  if (IsOpen()) Close();
}

bool CSerialPort::Open(int portNumber) {
  const std::string path = DevicePathForPort(portNumber);
  if (path.empty()) {
    lastError_ = "COM" + std::to_string(portNumber) + ": no such port";
    return false;
  }
  return OpenPath(path);
}

bool CSerialPort::OpenPath(const std::string& path) {
  auto fail = [&](int error) {
    lastError_ = path + ": " + std::strerror(error);
    if (handle_ >= 0) system_.Close(handle_);
    handle_ = -1;
    open_ = false;
    return false;
  };
  handle_ = system_.Open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (handle_ < 0) return fail(errno);
  if (system_.Lock(handle_, LOCK_EX | LOCK_NB) != 0) return fail(EBUSY);
  if (system_.Ioctl(handle_, TIOCEXCL, nullptr) != 0) return fail(errno);
  system_.Flush(handle_);
  if (!Configure()) return fail(errno);
  open_ = true;
  return true;
}

bool CSerialPort::Configure() {
  termios settings{};
  if (system_.GetAttributes(handle_, &settings) != 0) return false;
  makeRaw(settings);
  return system_.SetAttributes(handle_, &settings) == 0;
}

// Drops DTR (a device without modem lines refuses that, which is ignored),
// flushes both directions and closes.
bool CSerialPort::Close() {
  open_ = false;
  if (handle_ < 0) return true;
  int dtr = TIOCM_DTR;
  system_.Ioctl(handle_, TIOCMBIC, &dtr);
  system_.Flush(handle_);
  system_.Lock(handle_, LOCK_UN);
  system_.Close(handle_);
  handle_ = -1;
  return true;
}

std::size_t CSerialPort::Read(std::uint8_t* buffer, std::size_t max) {
  if (handle_ < 0 || max == 0) return 0;
  int queued = 0;
  if (system_.Ioctl(handle_, FIONREAD, &queued) != 0 || queued <= 0) return 0;
  const std::size_t wanted = std::min(max, static_cast<std::size_t>(queued));
  const ssize_t n = system_.Read(handle_, buffer, wanted);
  return n > 0 ? static_cast<std::size_t>(n) : 0;
}

// The whole frame within 2 ms a byte.
bool CSerialPort::Write(const std::uint8_t* bytes, std::size_t n) {
  if (handle_ < 0) return false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWriteMsPerByte * n);
  std::size_t written = 0;
  while (written < n) {
    const ssize_t done = system_.Write(handle_, bytes + written, n - written);
    if (done > 0) {
      written += static_cast<std::size_t>(done);
      continue;
    }
    if (done < 0 && errno != EAGAIN && errno != EINTR) return false;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd wait = {handle_, POLLOUT, 0};
    system_.Poll(&wait, 1, static_cast<int>(left.count()));
  }
  return true;
}

int PortNumberFromName(const std::string& name) {
  if (name.size() <= 3) return 0;
  std::size_t i = 3;
  while (i < name.size() && (name[i] == ' ' || name[i] == '\t')) ++i;
  bool negative = false;
  if (i < name.size() && (name[i] == '+' || name[i] == '-')) negative = name[i++] == '-';
  long number = 0;
  for (; i < name.size() && name[i] >= '0' && name[i] <= '9'; ++i)
    number = std::min(number * 10 + (name[i] - '0'), 1L << 31);
  if (negative) number = -number;
  return static_cast<int>(std::clamp(number, -(1L << 31), (1L << 31) - 1));
}

std::string DevicePathForPort(int portNumber) {
  if (portNumber < 1) return {};
  if (const char* dir = std::getenv("Q4T_PORT_DIR")) {
    const std::string entry = std::string(dir) + "/COM" + std::to_string(portNumber);
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::symlink_status(entry, error))) return entry;
  }
  return "/dev/ttyS" + std::to_string(portNumber - 1);
}

}  // namespace q4t

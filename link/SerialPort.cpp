#include "link/SerialPort.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>

namespace q4t {

namespace {

using Clock = std::chrono::steady_clock;

static_assert(CSerialPort::kBaudRate == 9600 && CSerialPort::kByteSize == 8 &&
                  CSerialPort::kParity == 0 && CSerialPort::kStopBits == 0,
              "makeRaw writes 9600 8N1");

// Everything that would change or swallow a byte on its way in or out.
constexpr tcflag_t kInputProcessing =
    IGNBRK | BRKINT | PARMRK | INPCK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY;
constexpr tcflag_t kLocalProcessing = ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN;

// Raw as a Windows port: no echo, no line editing, no signals, no character
// translation, no software flow control; 8N1 at 9600, reads that return at
// once. Hardware flow control and the rest stay as the port had them.
void makeRaw(termios& settings) {
  settings.c_iflag &= ~kInputProcessing;
  settings.c_oflag &= ~tcflag_t{OPOST};
  settings.c_lflag &= ~kLocalProcessing;
  settings.c_cflag &= ~tcflag_t{CSIZE | PARENB | PARODD | CSTOPB};
  settings.c_cflag |= CS8 | CREAD | CLOCAL;
  settings.c_cc[VMIN] = 0;
  settings.c_cc[VTIME] = 0;
  cfsetispeed(&settings, B9600);
  cfsetospeed(&settings, B9600);
}

// The error number of a call that failed; never 0, even when the call left errno alone.
int failureCause() { return errno != 0 ? errno : EIO; }

}  // namespace

CSerialPort::CSerialPort(SerialSystem& system) : system_(system) {}

CSerialPort::~CSerialPort() { Destroy(); }

bool CSerialPort::Create() {
  Close();
  lastError_.clear();
  lastCause_ = 0;
  return true;
}

void CSerialPort::Destroy() { Close(); }

bool CSerialPort::Open(int portNumber) {
  const std::string path = DevicePathForPort(portNumber);
  if (path.empty()) {
    lastError_ = "COM" + std::to_string(portNumber) + ": no such port";
    lastCause_ = 0;
    return false;
  }
  return OpenPath(path);
}

bool CSerialPort::OpenPath(const std::string& path) {
  open_ = false;
  std::unique_lock lock(deviceMutex_);
  if (handle_ >= 0) closeDevice();
  // Non-blocking, so that a line without carrier never holds up open, read or write.
  handle_ = system_.Open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (handle_ < 0) return failOpen(path, failureCause());
  int cause = lockDevice();
  if (cause == 0 && system_.Flush(handle_) != 0) cause = failureCause();
  if (cause == 0 && !configureLine()) cause = failureCause();
  if (cause != 0) {
    system_.Close(handle_);
    handle_ = -1;
    return failOpen(path, cause);
  }
  lastError_.clear();
  lastCause_ = 0;
  open_ = true;
  return true;
}

bool CSerialPort::Configure() {
  std::shared_lock lock(deviceMutex_);
  return handle_ >= 0 && configureLine();
}

bool CSerialPort::Close() {
  open_ = false;
  std::unique_lock lock(deviceMutex_);
  if (handle_ >= 0) closeDevice();
  return true;
}

std::size_t CSerialPort::Read(std::uint8_t* buffer, std::size_t max) {
  std::shared_lock lock(deviceMutex_);
  if (!open_ || max == 0) return 0;
  int queued = 0;
  if (system_.Ioctl(handle_, FIONREAD, &queued) != 0 || queued <= 0) return 0;
  const ssize_t count = system_.Read(handle_, buffer, std::min(max, std::size_t(queued)));
  return count > 0 ? std::size_t(count) : 0;
}

// The whole frame within the write time-out; the descriptor is non-blocking,
// so a full output queue is waited out with poll.
bool CSerialPort::Write(const std::uint8_t* bytes, std::size_t n) {
  std::shared_lock lock(deviceMutex_);
  if (!open_) return false;
  const auto deadline = Clock::now() + std::chrono::milliseconds(kWriteMsPerByte) * n;
  std::size_t written = 0;
  while (written < n) {
    const ssize_t count = system_.Write(handle_, bytes + written, n - written);
    if (count > 0) {
      written += std::size_t(count);
      continue;
    }
    if (count < 0 && errno != EAGAIN && errno != EINTR) return false;
    if (!waitWritable(deadline)) return false;
  }
  return true;
}

bool CSerialPort::waitWritable(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
  if (left.count() <= 0) return false;
  pollfd wait = {handle_, POLLOUT, 0};
  const int ready = system_.Poll(&wait, 1, static_cast<int>(left.count()));
  return ready > 0 || (ready < 0 && errno == EINTR);
}

// The advisory lock first: when another program holds the device, its
// exclusive flag is left alone.
int CSerialPort::lockDevice() {
  if (system_.Lock(handle_, LOCK_EX | LOCK_NB) != 0)
    return errno == EWOULDBLOCK ? EBUSY : failureCause();
  return system_.Ioctl(handle_, TIOCEXCL, nullptr) == 0 ? 0 : failureCause();
}

bool CSerialPort::configureLine() {
  termios settings{};
  if (system_.GetAttributes(handle_, &settings) != 0) return false;
  makeRaw(settings);
  return system_.SetAttributes(handle_, &settings) == 0;
}

// A pseudo-terminal has no DTR line and refuses the drop, which is ignored.
// The exclusive flag stays on the device after the close, so it is cleared
// first: otherwise the next program to open the port would find it busy.
void CSerialPort::closeDevice() {
  int dtr = TIOCM_DTR;
  system_.Ioctl(handle_, TIOCMBIC, &dtr);
  system_.Flush(handle_);
  system_.Ioctl(handle_, TIOCNXCL, nullptr);
  system_.Lock(handle_, LOCK_UN);
  system_.Close(handle_);
  handle_ = -1;
}

bool CSerialPort::failOpen(const std::string& device, int cause) {
  lastError_ = device + ": " + std::strerror(cause);
  lastCause_ = cause;
  return false;
}

std::string DevicePathForPort(int portNumber) {
  if (portNumber < 1) return {};
  const char* dir = std::getenv("Q4T_PORT_DIR");
  if (dir != nullptr && *dir != '\0') {
    const std::string entry = std::string(dir) + "/COM" + std::to_string(portNumber);
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::symlink_status(entry, error))) return entry;
  }
  return "/dev/ttyS" + std::to_string(portNumber - 1);
}

}  // namespace q4t

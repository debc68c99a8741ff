#include "sim/PseudoTerminal.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace q4t::sim {
namespace {

constexpr int kWriteWaitMs = 1000;

std::string LinkTarget(const std::string& path) {
  char target[4096];
  const ssize_t length = readlink(path.c_str(), target, sizeof target - 1);
  return length < 0 ? std::string() : std::string(target, static_cast<std::size_t>(length));
}

}  // namespace

PseudoTerminal::~PseudoTerminal() { close(); }

bool PseudoTerminal::open() {
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0) return fail("posix_openpt");
  char name[256];
  if (grantpt(master_) != 0 || unlockpt(master_) != 0) return fail("grantpt/unlockpt");
  if (ptsname_r(master_, name, sizeof name) != 0) return fail("ptsname_r");
  slaveName_ = name;
  slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave_ < 0) return fail("open " + slaveName_);
  const int flags = fcntl(master_, F_GETFL);
  if (flags < 0 || fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0) return fail("fcntl");
  return true;
}

bool PseudoTerminal::linkAt(const std::string& linkPath) {
  struct stat status {};
  if (lstat(linkPath.c_str(), &status) == 0 && !S_ISLNK(status.st_mode)) {
    lastError_ = linkPath + " exists and is not a symbolic link";
    return false;
  }
  const std::string temporary = linkPath + ".tmp-" + std::to_string(getpid());
  unlink(temporary.c_str());
  if (symlink(slaveName_.c_str(), temporary.c_str()) != 0) return fail("symlink " + temporary);
  if (rename(temporary.c_str(), linkPath.c_str()) != 0) {
    unlink(temporary.c_str());
    return fail("rename to " + linkPath);
  }
  linkPath_ = linkPath;
  return true;
}

void PseudoTerminal::removeLink() {
  if (!linkPath_.empty() && LinkTarget(linkPath_) == slaveName_) unlink(linkPath_.c_str());
  linkPath_.clear();
}

void PseudoTerminal::close() {
  removeLink();
  if (slave_ >= 0) ::close(slave_);
  if (master_ >= 0) ::close(master_);
  slave_ = master_ = -1;
}

LineSettings PseudoTerminal::lineSettings() const {
  termios attributes {};
  if (slave_ < 0 || tcgetattr(slave_, &attributes) != 0) return {};
  return LineSettingsFromTermios(attributes);
}

std::size_t PseudoTerminal::readAvailable(std::uint8_t* buffer, std::size_t max) {
  const ssize_t count = read(master_, buffer, max);
  return count > 0 ? static_cast<std::size_t>(count) : 0;
}

bool PseudoTerminal::writeAll(const std::uint8_t* bytes, std::size_t count) {
  while (count > 0) {
    const ssize_t written = write(master_, bytes, count);
    if (written > 0) {
      bytes += written;
      count -= static_cast<std::size_t>(written);
      continue;
    }
    if (written < 0 && errno != EAGAIN && errno != EINTR) return false;
    pollfd writable{master_, POLLOUT, 0};
    if (poll(&writable, 1, kWriteWaitMs) == 0) return false;
  }
  return true;
}

bool PseudoTerminal::fail(const std::string& what) {
  lastError_ = what + ": " + std::strerror(errno);
  return false;
}

}  // namespace q4t::sim

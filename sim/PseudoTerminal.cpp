#include "sim/PseudoTerminal.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace q4t::sim {
namespace {

constexpr int kWriteWaitMs = 1000;

// The link's full path with its folder's symbolic links resolved, so that
// every way of naming one link gives one name.
std::string LinkIdentity(const std::string& linkPath) {
  std::error_code error;
  const std::filesystem::path link = std::filesystem::absolute(linkPath, error);
  const std::filesystem::path folder = std::filesystem::weakly_canonical(link.parent_path(), error);
  return (folder / link.filename()).string();
}

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

// An abstract socket named after the link marks it as taken while this
// process lives; the system drops the name with the process, also when it is
// killed, so no stale mark is ever left behind.
bool PseudoTerminal::claimLink(const std::string& linkPath) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::string name = "q4t-keyboard-sim " + LinkIdentity(linkPath);
  const std::size_t room = sizeof address.sun_path - 1;
  if (name.size() > room) name.erase(0, name.size() - room);  // the end tells links apart
  std::copy(name.begin(), name.end(), address.sun_path + 1);
  claim_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
  if (claim_ < 0 || bind(claim_, reinterpret_cast<const sockaddr*>(&address), length) == 0) return true;
  if (errno != EADDRINUSE) return true;  // no mark to be had: the link is made as before
  lastError_ = linkPath + " is the link of another q4t-keyboard-sim that is running";
  return false;
}

bool PseudoTerminal::linkAt(const std::string& linkPath) {
  if (!claimLink(linkPath)) return false;
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
  if (claim_ >= 0) ::close(claim_);
  claim_ = -1;
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

// Where the program and the user's data are on POSIX systems.
#include <cstdlib>
#include <system_error>

#include <pwd.h>
#include <unistd.h>

#include "model/DataFiles.h"
#include "model/SnapshotStore.h"

namespace q4t {

namespace fs = std::filesystem;

namespace {

fs::path homeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] != '\0') return home;
  const passwd* user = ::getpwuid(::getuid());
  return user != nullptr && user->pw_dir != nullptr ? fs::path(user->pw_dir) : fs::path();
}

}  // namespace

fs::path programDirectory() {
  std::error_code error;
  const fs::path program = fs::read_symlink("/proc/self/exe", error);
  return error ? fs::path() : program.parent_path();
}

fs::path defaultSnapshotRoot() {
  const char* data = std::getenv("XDG_DATA_HOME");
  const fs::path base = data != nullptr && data[0] == '/' ? fs::path(data) : homeFolder() / ".local" / "share";
  return base / "q4t-programmer" / "keyboards";
}

}  // namespace q4t

// Where the program and the user's data are on Windows: the kept keyboard
// tables in %LOCALAPPDATA%\q4t-programmer\keyboards, the counterpart of
// ~/.local/share on POSIX systems.
#include <cstdlib>
#include <vector>

#include <windows.h>

#include "model/DataFiles.h"
#include "model/PathText.h"
#include "model/SnapshotStore.h"

namespace q4t {

namespace fs = std::filesystem;

namespace {

fs::path environmentFolder(const wchar_t* name) {
  const wchar_t* value = _wgetenv(name);
  return value != nullptr && value[0] != L'\0' ? fs::path(value) : fs::path();
}

}  // namespace

fs::path programDirectory() {
  std::vector<wchar_t> name(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (length == 0) return {};
    if (length < name.size()) return fs::path(std::wstring(name.data(), length)).parent_path();
    name.resize(name.size() * 2);
  }
}

fs::path defaultSnapshotRoot() {
  fs::path base = environmentFolder(L"LOCALAPPDATA");
  if (base.empty()) base = environmentFolder(L"USERPROFILE") / "AppData" / "Local";
  return base / "q4t-programmer" / "keyboards";
}

}  // namespace q4t

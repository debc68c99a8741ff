#include "model/WindowsNames.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

#include "model/Utf16.h"

namespace q4t {

namespace {

constexpr std::size_t kMaxPath = 260;  // MAX_PATH, with the end mark

bool isDeviceName(std::string_view name) {
  std::string base(name.substr(0, name.find('.')));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  std::transform(base.begin(), base.end(), base.begin(), [](unsigned char c) { return std::toupper(c); });
  constexpr std::array<std::string_view, 4> kDevices = {"CON", "PRN", "AUX", "NUL"};
  if (std::find(kDevices.begin(), kDevices.end(), base) != kDevices.end()) return true;
  const bool numbered = base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT"));
  return numbered && base[3] >= '1' && base[3] <= '9';
}

bool isInvalidName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  const bool badCharacter = std::any_of(name.begin(), name.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20 || std::string_view("<>\"|?*:").find(c) != std::string_view::npos;
  });
  return badCharacter || name.back() == ' ' || name.back() == '.' || isDeviceName(name);
}

}  // namespace

WindowsNameProblem windowsNameProblem(const std::string& path) {
  std::u16string units;
  utf8ToUtf16(path, units);
  if (units.size() + 1 > kMaxPath) return WindowsNameProblem::TooLong;
  const bool drive = path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]));
  std::string_view rest = std::string_view(path).substr(drive ? 2 : 0);
  while (!rest.empty()) {
    const std::size_t end = rest.find_first_of("/\\");
    if (isInvalidName(rest.substr(0, end))) return WindowsNameProblem::InvalidName;
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
  }
  return WindowsNameProblem::None;
}

}  // namespace q4t

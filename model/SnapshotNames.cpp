#include "model/SnapshotNames.h"

#include <charconv>
#include <cstdio>
#include <tuple>

namespace q4t {

namespace {

constexpr std::string_view kNoSerial = "no-serial";
constexpr std::string_view kStampForm = "0000-00-00_000000";  // 0: a digit
constexpr std::string_view kExtension = ".q4t";

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// ASCII only, whatever the locale says.
bool keptAsIs(char c, bool first) {
  const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  return letter || isDigit(c) || c == '-' || c == '_' || c == '+' || (c == '.' && !first);
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool isStamp(std::string_view text) {
  if (text.size() != kStampForm.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (kStampForm[i] == '0' ? !isDigit(text[i]) : text[i] != kStampForm[i]) return false;
  }
  return true;
}

// "-N" with N from 2, no leading zero: each number is written one way only.
std::optional<int> sequenceOf(std::string_view text) {
  if (text.empty()) return 1;
  if (text.size() < 2 || text[0] != '-' || text[1] == '0') return std::nullopt;
  int n = 0;
  const auto [end, error] = std::from_chars(text.data() + 1, text.data() + text.size(), n);
  if (error != std::errc() || end != text.data() + text.size() || n < 2) return std::nullopt;
  return n;
}

}  // namespace

std::string serialFolderName(std::string_view serial) {
  if (serial.empty()) return std::string(kNoSerial);
  if (serial == kNoSerial) return "no%2Dserial";
  std::string name;
  for (std::size_t i = 0; i < serial.size(); ++i) {
    if (keptAsIs(serial[i], i == 0)) {
      name += serial[i];
      continue;
    }
    char escaped[4];
    std::snprintf(escaped, sizeof escaped, "%%%02X", static_cast<unsigned char>(serial[i]));
    name += escaped;
  }
  return name;
}

std::optional<std::string> serialOfFolder(std::string_view folder) {
  if (folder == kNoSerial) return std::string();
  std::string serial;
  for (std::size_t i = 0; i < folder.size(); ++i) {
    if (folder[i] != '%') {
      serial += folder[i];
      continue;
    }
    if (i + 2 >= folder.size() || hexDigit(folder[i + 1]) < 0 || hexDigit(folder[i + 2]) < 0) return std::nullopt;
    serial += static_cast<char>(hexDigit(folder[i + 1]) * 16 + hexDigit(folder[i + 2]));
    i += 2;
  }
  // Only the one spelling the store makes counts.
  if (serialFolderName(serial) != folder) return std::nullopt;
  return serial;
}

std::string snapshotFileName(const SnapshotName& name) {
  const std::string sequence = name.sequence > 1 ? "-" + std::to_string(name.sequence) : "";
  return name.stamp + sequence + "-" + kindName(name.kind) + std::string(kExtension);
}

std::optional<SnapshotName> parseSnapshotFileName(std::string_view fileName) {
  if (!fileName.ends_with(kExtension) || !isStamp(fileName.substr(0, kStampForm.size()))) return std::nullopt;
  std::string_view rest = fileName.substr(kStampForm.size());
  rest.remove_suffix(kExtension.size());
  for (const SnapshotKind kind : {SnapshotKind::Before, SnapshotKind::Written}) {
    const std::string ending = std::string("-") + kindName(kind);
    if (!rest.ends_with(ending)) continue;
    const std::optional<int> sequence = sequenceOf(rest.substr(0, rest.size() - ending.size()));
    if (!sequence) return std::nullopt;
    return SnapshotName{std::string(fileName.substr(0, kStampForm.size())), *sequence, kind};
  }
  return std::nullopt;
}

std::string snapshotStamp(std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d_%H%M%S", &local);
  return text;
}

std::string stampDateText(std::string_view stamp) {
  if (!isStamp(stamp)) return std::string(stamp);
  const std::string time(stamp.substr(11));
  return std::string(stamp.substr(0, 10)) + " " + time.substr(0, 2) + ":" + time.substr(2, 2) + ":" + time.substr(4, 2);
}

const char* kindName(SnapshotKind kind) { return kind == SnapshotKind::Before ? "before" : "written"; }

bool takenBefore(const SnapshotName& a, const SnapshotName& b) {
  return std::tie(a.stamp, a.sequence, a.kind) < std::tie(b.stamp, b.sequence, b.kind);
}

}  // namespace q4t

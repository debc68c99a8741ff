#include "model/PathText.h"

#include <type_traits>

#include "model/Utf16.h"
#include "model/Utf8.h"

namespace q4t {

namespace {

using Native = std::filesystem::path::string_type;

// Only the branch of the path's own character type is compiled.
template <typename Text>
std::string textOf(const Text& native) {
  if constexpr (std::is_same_v<Text, std::string>) {
    return native;
  } else {
    return utf8FromWide(native);
  }
}

template <typename Text>
Text nativeOf(const std::string& text) {
  if constexpr (std::is_same_v<Text, std::string>) {
    return text;
  } else {
    return wideFromUtf8(text);
  }
}

}  // namespace

std::string pathText(const std::filesystem::path& path) { return textOf(path.native()); }

std::filesystem::path pathOf(const std::string& text) { return nativeOf<Native>(text); }

std::wstring wideFromUtf8(std::string_view text) {
  std::string valid;
  for (std::size_t pos = 0; pos < text.size();) appendUtf8(valid, nextCodePoint(text, pos));
  std::u16string units;
  utf8ToUtf16(valid, units);
  return std::wstring(units.begin(), units.end());
}

std::string utf8FromWide(std::wstring_view wide) {
  std::u16string units;
  for (std::size_t i = 0; i < wide.size(); ++i) {
    const auto unit = static_cast<char16_t>(wide[i]);
    const bool high = unit >= 0xD800 && unit <= 0xDBFF;
    const bool pairs = high && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF;
    const bool lone = (unit >= 0xD800 && unit <= 0xDFFF) && !pairs;
    units += lone ? static_cast<char16_t>(kReplacementCharacter) : unit;
    if (pairs) units += static_cast<char16_t>(wide[++i]);
  }
  std::string text;
  utf16ToUtf8(units, text);
  return text;
}

}  // namespace q4t

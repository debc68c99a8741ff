#include "model/Utf16.h"

#include "model/Utf8.h"

namespace q4t {

namespace {

bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

bool utf16ToUtf8(std::u16string_view units, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char16_t unit = units[i];
    if (isLowSurrogate(unit)) return false;
    if (!isHighSurrogate(unit)) {
      appendUtf8(out, unit);
      continue;
    }
    if (i + 1 == units.size() || !isLowSurrogate(units[i + 1])) return false;
    appendUtf8(out, 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(units[++i]) - 0xDC00));
  }
  return true;
}

bool utf8ToUtf16(std::string_view text, std::u16string& out) {
  out.clear();
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t start = pos;
    const char32_t c = nextCodePoint(text, pos);
    if (c == kReplacementCharacter && pos - start != 3) return false;  // a bad byte, not U+FFFD itself
    if (c < 0x10000) {
      out += static_cast<char16_t>(c);
    } else {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
  }
  return true;
}

bool unitsFromBytes(std::string_view bytes, bool littleEndian, std::u16string& units) {
  units.clear();
  if (bytes.size() % 2 != 0) return false;
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    const auto first = static_cast<unsigned char>(bytes[i]);
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    units += static_cast<char16_t>(littleEndian ? first | second << 8 : first << 8 | second);
  }
  return true;
}

std::string bytesFromUnits(std::u16string_view units, bool littleEndian) {
  std::string bytes;
  for (const char16_t unit : units) {
    const char low = static_cast<char>(unit & 0xFF);
    const char high = static_cast<char>(unit >> 8);
    bytes += littleEndian ? low : high;
    bytes += littleEndian ? high : low;
  }
  return bytes;
}

Utf16Guess guessUtf16(std::string_view bytes) {
  if (bytes.size() < 2 || bytes.size() % 2 != 0) return Utf16Guess::None;
  if (bytes[0] != '\0' && bytes[1] == '\0') return Utf16Guess::LittleEndian;
  if (bytes[0] == '\0' && bytes[1] != '\0') return Utf16Guess::BigEndian;
  return Utf16Guess::None;
}

}  // namespace q4t

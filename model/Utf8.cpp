#include "model/Utf8.h"

namespace q4t {

namespace {

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The length of the sequence a lead byte starts; 0 for a byte that starts none.
std::size_t sequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 0;
}

// The smallest code point each length may carry; below it the form is overlong.
constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};

bool isScalarValue(char32_t c) { return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF); }

}  // namespace

char32_t nextCodePoint(std::string_view text, std::size_t& pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  const std::size_t length = sequenceLength(lead);
  if (length == 0 || pos + length > text.size()) {
    ++pos;
    return kReplacementCharacter;
  }
  char32_t c = length == 1 ? lead : lead & (0x7Fu >> length);  // the lead byte's payload bits
  for (std::size_t i = 1; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(text[pos + i]);
    if (!isContinuation(byte)) {
      ++pos;
      return kReplacementCharacter;
    }
    c = (c << 6) | (byte & 0x3Fu);
  }
  if (c < kSmallest[length] || !isScalarValue(c)) {
    ++pos;
    return kReplacementCharacter;
  }
  pos += length;
  return c;
}

void appendUtf8(std::string& text, char32_t c) {
  auto put = [&text](char32_t byte) { text += static_cast<char>(byte); };
  if (c < 0x80) {
    put(c);
  } else if (c < 0x800) {
    put(0xC0 | (c >> 6));
    put(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    put(0xE0 | (c >> 12));
    put(0x80 | ((c >> 6) & 0x3F));
    put(0x80 | (c & 0x3F));
  } else {
    put(0xF0 | (c >> 18));
    put(0x80 | ((c >> 12) & 0x3F));
    put(0x80 | ((c >> 6) & 0x3F));
    put(0x80 | (c & 0x3F));
  }
}

// A U+FFFD read from the text itself is three bytes; one made up for a bad byte moves pos by one.
bool isValidUtf8(std::string_view text) {
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t start = pos;
    if (nextCodePoint(text, pos) == kReplacementCharacter && pos - start != 3) return false;
  }
  return true;
}

std::size_t codePointCount(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t pos = 0; pos < text.size(); ++count) nextCodePoint(text, pos);
  return count;
}

}  // namespace q4t

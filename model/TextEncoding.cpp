#include "model/TextEncoding.h"

#include <algorithm>
#include <iterator>

#include "model/Utf16.h"
#include "model/Utf8.h"

namespace q4t {

namespace {

const std::string kUtf8Bom = "\xEF\xBB\xBF";
const std::string kUtf16LEBom = "\xFF\xFE";
const std::string kUtf16BEBom = "\xFE\xFF";

bool startsWith(const std::string& bytes, const std::string& prefix) {
  return bytes.compare(0, prefix.size(), prefix) == 0;
}

bool fromUtf16(const std::string& bytes, bool littleEndian, std::string& text) {
  std::u16string units;
  return unitsFromBytes(bytes, littleEndian, units) && utf16ToUtf8(units, text);
}

// What the bytes 0x80 to 0x9F stand for; the five that Windows-1252 leaves
// free stand for the C1 control of their number, so that every byte reads.
constexpr char32_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t fromWindows1252(unsigned char byte) {
  return byte >= 0x80 && byte <= 0x9F ? kWindows1252High[byte - 0x80] : byte;
}

std::string windows1252ToUtf8(const std::string& bytes) {
  std::string text;
  for (const char byte : bytes) appendUtf8(text, fromWindows1252(static_cast<unsigned char>(byte)));
  return text;
}

bool utf8ToWindows1252(const std::string& text, std::string& bytes) {
  bytes.clear();
  for (std::size_t pos = 0; pos < text.size();) {
    const char32_t c = nextCodePoint(text, pos);
    const char32_t* high = std::find(std::begin(kWindows1252High), std::end(kWindows1252High), c);
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      bytes += static_cast<char>(c);
    } else if (high != std::end(kWindows1252High)) {
      bytes += static_cast<char>(0x80 + (high - std::begin(kWindows1252High)));
    } else {
      return false;
    }
  }
  return true;
}

bool startsWithByteOrderMark(const std::string& bytes) {
  return startsWith(bytes, kUtf8Bom) || startsWith(bytes, kUtf16LEBom) || startsWith(bytes, kUtf16BEBom);
}

}  // namespace

bool decodeText(const std::string& bytes, std::string& text, TextEncoding& encoding) {
  if (startsWith(bytes, kUtf8Bom)) {
    encoding = TextEncoding::Utf8Bom;
    text = bytes.substr(kUtf8Bom.size());
    return true;
  }
  if (startsWith(bytes, kUtf16LEBom) || startsWith(bytes, kUtf16BEBom)) {
    encoding = startsWith(bytes, kUtf16LEBom) ? TextEncoding::Utf16LE : TextEncoding::Utf16BE;
    return fromUtf16(bytes.substr(2), encoding == TextEncoding::Utf16LE, text);
  }
  // Saved again with a byte order mark, as Windows editors save "Unicode".
  if (const Utf16Guess guess = guessUtf16(bytes); guess != Utf16Guess::None) {
    encoding = guess == Utf16Guess::LittleEndian ? TextEncoding::Utf16LE : TextEncoding::Utf16BE;
    return fromUtf16(bytes, encoding == TextEncoding::Utf16LE, text);
  }
  const bool utf8 = isValidUtf8(bytes);
  encoding = utf8 ? TextEncoding::Utf8 : TextEncoding::Windows1252;
  text = utf8 ? bytes : windows1252ToUtf8(bytes);
  return true;
}

bool encodeText(const std::string& text, TextEncoding encoding, std::string& bytes) {
  switch (encoding) {
    case TextEncoding::Utf8:
      bytes = text;
      break;
    case TextEncoding::Utf8Bom:
      bytes = kUtf8Bom + text;
      return true;
    case TextEncoding::Windows1252:
      if (!utf8ToWindows1252(text, bytes)) bytes = text;
      break;
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE: {
      const bool little = encoding == TextEncoding::Utf16LE;
      std::u16string units;
      if (!utf8ToUtf16(text, units)) return false;
      bytes = (little ? kUtf16LEBom : kUtf16BEBom) + bytesFromUnits(units, little);
      return true;
    }
  }
  // Bytes that start like a byte order mark (a foreign key moved to the top)
  // would read back as another encoding; a blank line keeps theirs.
  if (startsWithByteOrderMark(bytes)) bytes = "\n" + bytes;
  return true;
}

}  // namespace q4t

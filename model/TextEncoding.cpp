#include "model/TextEncoding.h"

#include <iconv.h>

namespace q4t {

namespace {

const std::string kUtf8Bom = "\xEF\xBB\xBF";
const std::string kUtf16LEBom = "\xFF\xFE";
const std::string kUtf16BEBom = "\xFE\xFF";

bool startsWith(const std::string& bytes, const std::string& prefix) {
  return bytes.compare(0, prefix.size(), prefix) == 0;
}

bool convert(const char* to, const char* from, const std::string& in, std::string& out) {
  const iconv_t converter = iconv_open(to, from);
  if (converter == reinterpret_cast<iconv_t>(-1)) return false;
  std::string input = in;  // iconv takes a non-const input pointer
  char* inPointer = input.data();
  std::size_t inLeft = input.size();
  out.assign(2 * input.size() + 4, '\0');  // room for the widest growth, UTF-8 to UTF-16
  char* outPointer = out.data();
  std::size_t outLeft = out.size();
  const bool converted = iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft) != static_cast<std::size_t>(-1);
  iconv_close(converter);
  out.resize(out.size() - outLeft);
  return converted && inLeft == 0;
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
    const char* from = encoding == TextEncoding::Utf16LE ? "UTF-16LE" : "UTF-16BE";
    return convert("UTF-8", from, bytes.substr(2), text);
  }
  encoding = TextEncoding::Utf8;
  text = bytes;
  return true;
}

bool encodeText(const std::string& text, TextEncoding encoding, std::string& bytes) {
  switch (encoding) {
    case TextEncoding::Utf8:
      // Text that starts like a byte order mark (a foreign key moved to the
      // top) would read back as another encoding; a blank line keeps it UTF-8.
      bytes = startsWithByteOrderMark(text) ? "\n" + text : text;
      return true;
    case TextEncoding::Utf8Bom:
      bytes = kUtf8Bom + text;
      return true;
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE: {
      const bool little = encoding == TextEncoding::Utf16LE;
      std::string body;
      if (!convert(little ? "UTF-16LE" : "UTF-16BE", "UTF-8", text, body)) return false;
      bytes = (little ? kUtf16LEBom : kUtf16BEBom) + body;
      return true;
    }
  }
  return false;
}

}  // namespace q4t

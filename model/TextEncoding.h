// The encodings a key table file arrives in: UTF-8 with or without a byte
// order mark, UTF-16 with one (what Windows editors save as "Unicode") or
// without one (told by its zero bytes), and
// Windows-1252, the Latin-1 of Windows editors ("ANSI"), for a file without a
// byte order mark that is no valid UTF-8.
#pragma once

#include <string>

namespace q4t {

enum class TextEncoding { Utf8, Utf8Bom, Utf16LE, Utf16BE, Windows1252 };

// The file's bytes as UTF-8 text without a byte order mark; false when a
// UTF-16 file holds an invalid sequence.
bool decodeText(const std::string& bytes, std::string& text, TextEncoding& encoding);

// UTF-8 text back into the encoding it came in, with its byte order mark;
// false when the text cannot be converted. Text with a character that
// Windows-1252 lacks is written as UTF-8, all of it, so that it reads back whole.
bool encodeText(const std::string& text, TextEncoding encoding, std::string& bytes);

}  // namespace q4t

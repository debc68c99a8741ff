// UTF-16 to and from UTF-8, our own codec: key table files saved by Windows
// editors as "Unicode", and the wide names of Windows file and system calls.
#pragma once

#include <string>
#include <string_view>

namespace q4t {

// False for a lone surrogate; out then holds the text up to it.
bool utf16ToUtf8(std::u16string_view units, std::string& out);

// False for bytes that are no valid UTF-8; out then holds the text up to them.
bool utf8ToUtf16(std::string_view text, std::u16string& out);

// The code units of UTF-16 bytes in the order given; false for an odd count.
bool unitsFromBytes(std::string_view bytes, bool littleEndian, std::u16string& units);
std::string bytesFromUnits(std::u16string_view units, bool littleEndian);

// Bytes without a byte order mark that are UTF-16 by their look: an even count
// of at least two, and a zero byte in the first unit beside one that is not,
// which no text in UTF-8 or Windows-1252 holds. Nothing when they are not.
enum class Utf16Guess { None, LittleEndian, BigEndian };
Utf16Guess guessUtf16(std::string_view bytes);

}  // namespace q4t

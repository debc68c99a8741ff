// Walking UTF-8 text one code point at a time.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace q4t {

constexpr char32_t kReplacementCharacter = 0xFFFD;

// The code point at pos, moving pos past it. A byte that starts no valid
// sequence (a stray byte, an overlong form, a surrogate) is one U+FFFD.
char32_t nextCodePoint(std::string_view text, std::size_t& pos);

void appendUtf8(std::string& text, char32_t c);

bool isValidUtf8(std::string_view text);

std::size_t codePointCount(std::string_view text);

}  // namespace q4t

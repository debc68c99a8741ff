// File names as UTF-8 text and back. A Windows path is UTF-16, and the
// library's own narrow form of it follows the ANSI code page, which loses
// most characters; these go through our UTF-16 codec there. On POSIX systems
// a name is its bytes, as before.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace q4t {

std::string pathText(const std::filesystem::path& path);
std::filesystem::path pathOf(const std::string& text);

// Wide text for Windows calls and back; a bad byte or a lone surrogate
// becomes U+FFFD, so a name always converts.
std::wstring wideFromUtf8(std::string_view text);
std::string utf8FromWide(std::wstring_view wide);

}  // namespace q4t

#include <gtest/gtest.h>

#include "cli/KeyboardText.h"

namespace q4t {
namespace {

// Bytes 0x00..0xFF: what each output form makes of the keyboard's Latin-1 text.
std::string everyByte() {
  std::string bytes;
  for (int c = 0; c < 256; ++c) bytes += static_cast<char>(c);
  return bytes;
}

bool validUtf8(const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    const std::size_t length = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 && c >= 0xC2 ? 2 : 0;
    if (length == 0 || i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k)
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    i += length;
  }
  return true;
}

TEST(KeyboardText, JsonHoldsLatin1CharactersInValidUtf8WithControlsEscaped) {
  EXPECT_EQ(jsonText("Q4T \"92\" \\ caf\xE9\r\n\x1B[2J\x9B"),
            "\"Q4T \\\"92\\\" \\\\ caf\xC3\xA9\\u000d\\u000a\\u001b[2J\\u009b\"");
  const std::string all = jsonText(everyByte());
  EXPECT_TRUE(validUtf8(all));
  EXPECT_NE(all.find("\xC3\xBF"), std::string::npos);  // 0xFF is ÿ
  for (const char c : all) EXPECT_FALSE(static_cast<unsigned char>(c) < 0x20 || c == 0x7F);
}

TEST(KeyboardText, TerminalTextShowsControlCharactersEscaped) {
  EXPECT_EQ(terminalText("Q4T 92 keys\r\nfirmware 2.1\t\\"), "Q4T 92 keys\\r\\nfirmware 2.1\\t\\\\");
  EXPECT_EQ(terminalText("\x1B[2J\x07\x7F\x9B\xA0\xE9"), "\\x1b[2J\\x07\\x7f\\x9b\xC2\xA0\xC3\xA9");
  const std::string all = terminalText(everyByte());
  EXPECT_TRUE(validUtf8(all));
  for (std::size_t i = 0; i < all.size(); ++i) {
    const auto c = static_cast<unsigned char>(all[i]);
    EXPECT_FALSE(c < 0x20 || c == 0x7F) << i;
    // a C1 control as UTF-8 (C2 80..C2 9F) would reach the terminal as one
    if (c == 0xC2 && i + 1 < all.size()) {
      EXPECT_GE(static_cast<unsigned char>(all[i + 1]), 0xA0) << i;
    }
  }
}

}  // namespace
}  // namespace q4t

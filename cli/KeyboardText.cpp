#include "cli/KeyboardText.h"

#include <cstdio>

namespace q4t {

namespace {

// C0, DEL and C1: a terminal may act on any of them.
bool isControl(unsigned char c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

void appendLatin1(std::string& out, unsigned char c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

std::string jsonText(const std::string& text) {
  std::string out = "\"";
  for (const char byte : text) {
    const auto c = static_cast<unsigned char>(byte);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (isControl(c)) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      appendLatin1(out, c);
    }
  }
  return out + "\"";
}

std::string terminalText(const std::string& text) {
  std::string out;
  for (const char byte : text) {
    const auto c = static_cast<unsigned char>(byte);
    if (c == '\r' || c == '\n' || c == '\t' || c == '\\') {
      out += c == '\r' ? "\\r" : c == '\n' ? "\\n" : c == '\t' ? "\\t" : "\\\\";
    } else if (isControl(c)) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
      out += escaped;
    } else {
      appendLatin1(out, c);
    }
  }
  return out;
}

std::vector<std::string> terminalLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(terminalText(text.substr(start, i - start)));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size() || lines.empty()) lines.push_back(terminalText(text.substr(start)));
  return lines;
}

}  // namespace q4t

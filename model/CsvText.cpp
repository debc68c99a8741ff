#include "model/CsvText.h"

#include "model/Utf8.h"

namespace q4t {

std::string csvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

std::string csvRecord(const std::vector<std::string>& fields) {
  std::string record;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) record += ',';
    record += csvField(fields[i]);
  }
  return record + "\r\n";
}

std::string keyboardTextUtf8(std::string_view bytes) {
  std::string text;
  for (const char byte : bytes) appendUtf8(text, static_cast<unsigned char>(byte));
  return text;
}

}  // namespace q4t

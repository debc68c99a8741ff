// Comma-separated values as RFC 4180 has them, for the roll-out log and the
// counter readings: UTF-8, a record a line ending in CR LF, and a field that
// holds a comma, a quote, CR or LF in quotes with its quotes doubled.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace q4t {

std::string csvField(std::string_view text);

// The fields, comma-separated, and the line end.
std::string csvRecord(const std::vector<std::string>& fields);

// A text the keyboard sent (each byte a Latin-1 character) as UTF-8.
std::string keyboardTextUtf8(std::string_view bytes);

}  // namespace q4t

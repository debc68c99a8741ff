// Texts read from the keyboard (serial number, dates, device details) for
// q4t's output. Their bytes are Latin-1 characters, as the window shows them:
// both forms are UTF-8 with every control character (C0, DEL, C1) escaped, so
// that neither a JSON reader nor the terminal takes a byte as anything but text.
#pragma once

#include <string>
#include <vector>

namespace q4t {

// A JSON string, quotes included; control characters as \u00XX.
std::string jsonText(const std::string& text);

// For the terminal: \r, \n, \t and \\ as written here, other control characters as \xHH.
std::string terminalText(const std::string& text);

// The lines of a text for the terminal: it is cut at each line break (CR LF,
// LF or CR alone; one at the end ends the last line), each line as terminalText.
std::vector<std::string> terminalLines(const std::string& text);

}  // namespace q4t

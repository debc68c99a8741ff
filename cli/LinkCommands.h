#pragma once

#include <string>
#include <vector>

namespace q4t {

// text as a number from 1 to highest; 0 when it is none (a sign, a fraction, more).
int parseWholeNumber(const std::string& text, int highest);
// The path made absolute, or as given when that fails.
std::string absolutePath(const std::string& path);
// What --port names, for the link: COM<n> or a device path.
std::string portArgument(const std::string& name);

bool isLinkCommand(const std::string& command);
// connect, upload, download, read-tco and license against the keyboard.
int runLinkCommand(const std::string& command, const std::vector<std::string>& args);

}  // namespace q4t

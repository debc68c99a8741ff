#pragma once

#include <string>
#include <vector>

namespace q4t {

bool isLinkCommand(const std::string& command);
// connect, upload, download, read-tco and license against the keyboard.
int runLinkCommand(const std::string& command, const std::vector<std::string>& args);

}  // namespace q4t

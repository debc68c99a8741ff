// q4t history: the tables kept of each keyboard before and after Downloads.
#pragma once

#include <string>
#include <vector>

namespace q4t {

// q4t history [SERIAL]: every keyboard, or the one whose serial number or
// folder name is SERIAL, with its kept tables oldest first. 0 when listed,
// 1 when nothing is kept of SERIAL, 2 for bad arguments.
int historyCommand(const std::vector<std::string>& args);

}  // namespace q4t

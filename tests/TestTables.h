#pragma once

#include <string>

#include "model/KeyTable.h"

namespace q4t::testing {

// The default table built in memory: grid links, value index + 1, all single.
KeyTable gridTable();

// The three invariants of a key table, as a list of violations ("" when none).
std::string invariantViolations(const KeyTable& table);

std::string sourceDir();
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& text);

// A fresh empty directory under the test's temporary directory.
std::string freshDirectory(const std::string& name);

}  // namespace q4t::testing

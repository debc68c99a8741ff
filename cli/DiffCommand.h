// q4t diff: what would change on the keyboard from one key table to another.
#pragma once

#include <string>
#include <vector>

#include "model/TableDiff.h"

namespace q4t {

// The summary line, then aligned lists of the keys, the counters and (apart,
// as they never reach the keyboard) the labels that change.
std::string renderDiffText(const TableDiff& diff);

// The same as one JSON object.
std::string renderDiffJson(const TableDiff& diff);

// q4t diff A.q4t B.q4t [--json]: 0 when the keyboard would hold the same
// from both, 1 when not, 2 for bad arguments or a file that is no key table.
int diffCommand(const std::vector<std::string>& args);

}  // namespace q4t

// What the keyboard can hold of a key table: a value byte, one of the five
// shape codes in a size nibble, links to existing keys, and a counter number
// or none. A table with anything else opens (so it can be mended) but is
// never downloaded: the keyboard would keep something other than it shows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/KeyTable.h"

namespace q4t {

// One field of one key that the keyboard cannot hold; field is the file's key name.
struct FieldProblem {
  int key = 0;
  const char* field = "";
  std::int32_t number = 0;
};

// Every such field, by key and in the file's order of fields.
std::vector<FieldProblem> unholdableFields(const KeyTable& table);

// "key 3: SIZE=17 (the keyboard holds 0, 1, 2, 4 or 14)"
std::string describeProblem(const FieldProblem& problem);

// The first few problems one a line, then how many more there are.
std::string describeProblems(const std::vector<FieldProblem>& problems, std::size_t most);

}  // namespace q4t

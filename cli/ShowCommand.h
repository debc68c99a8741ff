#pragma once

#include <string>

#include "model/KeyTable.h"

namespace q4t {

// The table drawn as the keyboard looks, top row first, with the counters in
// use listed below, and the labels when there are any.
std::string renderKeyTable(const KeyTable& table);

}  // namespace q4t

// The virtual keyboard's state file: a text file that keeps the memory image,
// the counter readings and the device details from one run to the next.
//
//   q4t-keyboard-state 1
//   counter <number> <reading>          one line for each of the 30 counters
//   details <hex bytes>                 the device details text
//   memory <address> <32 hex bytes>     every 32-byte row that is not all 0xFF
#pragma once

#include <optional>
#include <string>

#include "sim/KeyboardState.h"

namespace q4t::sim {

// Writes a new file beside the old one and renames it over it, so that a
// failed save leaves the previous file whole.
bool SaveState(const KeyboardState& state, const std::string& path, std::string& error);

// Nothing, with the reason in error, when the file is no regular file, cannot
// be read or has a line it does not understand.
std::optional<KeyboardState> LoadState(const std::string& path, std::string& error);

}  // namespace q4t::sim

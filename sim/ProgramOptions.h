// The command line of q4t-keyboard-sim.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sim/Faults.h"

namespace q4t::sim {

struct ProgramOptions {
  std::string linkPath;
  std::string statePath;
  std::string logPath;
  Faults faults;
  std::optional<std::string> serialNumber;  // replaces the state's
  int replacements = 0;
  bool verbose = false;
  bool showLineSettings = false;
  bool help = false;
  bool version = false;
};

// Nothing, with the reason in error, for an unknown option, a missing or bad
// value, or a missing --link.
std::optional<ProgramOptions> ParseProgramOptions(const std::vector<std::string>& arguments,
                                                  std::string& error);

extern const char* const kProgramUsage;

}  // namespace q4t::sim

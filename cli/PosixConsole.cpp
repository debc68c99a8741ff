#include "cli/Console.h"

namespace q4t {

// File names and labels are the system's bytes, passed on as they are.
std::vector<std::string> consoleArguments(int argc, char** argv) { return {argv + 1, argv + argc}; }

const char* const kPlatformName = "Linux";

}  // namespace q4t

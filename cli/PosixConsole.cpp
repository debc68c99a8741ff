#include "cli/Console.h"

namespace q4t {

// File names and labels are the system's bytes, passed on as they are.
std::vector<std::string> consoleArguments(int argc, char** argv) { return {argv + 1, argv + argc}; }

const char* const kPlatformName = "Linux";
const char* const kPortNamesHelp =
    "NAME is COM<n>, a device path, or a device name in /dev; COM<n> is\n"
    "$Q4T_PORT_DIR/COM<n> when that exists, else /dev/ttyS<n-1>.\n";
const char* const kKeptTablesFolder = "${XDG_DATA_HOME:-~/.local/share}/q4t-programmer/keyboards";

}  // namespace q4t

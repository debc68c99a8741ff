// The program's arguments as UTF-8 text, and its console set up to show
// UTF-8 output, on the system the program is built for.
#pragma once

#include <string>
#include <vector>

namespace q4t {

// The arguments after the program's name.
std::vector<std::string> consoleArguments(int argc, char** argv);

// The system the program was built for, for --version.
extern const char* const kPlatformName;
// For --help: what a port name is, and where the kept tables are, on this system.
extern const char* const kPortNamesHelp;
extern const char* const kKeptTablesFolder;

}  // namespace q4t

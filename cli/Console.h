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

}  // namespace q4t

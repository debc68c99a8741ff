// What Windows refuses in a file name, told before any call so that the
// message is the same on every Windows and nothing is written.
#pragma once

#include <string>

namespace q4t {

enum class WindowsNameProblem { None, InvalidName, TooLong };

// Paths of 260 characters and more (UTF-16 units, the end mark included)
// are too long; a name holding < > " | ? * or a control character, a ":"
// other than a drive's, a name ending in a space or a dot, and the device
// names CON, PRN, AUX, NUL, COM1-9 and LPT1-9 (with any extension) are invalid.
WindowsNameProblem windowsNameProblem(const std::string& path);

}  // namespace q4t

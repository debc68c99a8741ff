// Port names as the user gives them, the same on every system.
#pragma once

#include <string>

namespace q4t {

// How a user gets the permission to open serial devices, for a refused open.
inline constexpr const char* kDialoutHint =
    "Your user may not open serial devices: add it to the dialout group with "
    "sudo adduser $USER dialout, then log in again.";

// "COM12" gives 12: after the first three characters, blanks, an optional
// sign and decimal digits; 0 without digits.
int PortNumberFromName(const std::string& name);

// "COM" and digits only, as the port dialog and --port name ports.
bool IsComPortName(const std::string& name);

// A name the link opens as a device path rather than as a port number: one
// that starts with "/", or (on Windows) any other name that holds a "/", "\"
// or ":" and is no port name.
bool IsDevicePath(const std::string& name);

// The highest COM port Windows names.
constexpr int kHighestComPort = 256;

// "COM12" as the Windows device \\.\COM12, which reaches every port number
// (a bare name stops at COM9); empty outside COM1 to COM256.
std::wstring ComDeviceName(int portNumber);

}  // namespace q4t

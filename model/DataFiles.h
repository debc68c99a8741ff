// The files the programs bring along (the default table, the help manual, the
// translations), found relative to the running program: in
// share/q4t-programmer beside its bin folder once installed (in /usr or
// unpacked anywhere), else beside the program itself, as in the build folder.
#pragma once

#include <filesystem>
#include <string>

namespace q4t {

// The folder of the running program's executable; empty when it cannot be told.
std::filesystem::path programDirectory();

// The path of name (a file or folder, relative, like "help/Q4TProgrammer.qhc")
// among the files of a program in programDir; empty when there is none.
std::string findDataFile(const std::string& name, const std::filesystem::path& programDir = programDirectory());

}  // namespace q4t

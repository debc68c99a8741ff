// The arguments from the wide command line, so that no character is lost to
// the ANSI code page, and the console told that the output is UTF-8.
#include <windows.h>

#include <shellapi.h>

#include "cli/Console.h"
#include "model/PathText.h"

namespace q4t {

std::vector<std::string> consoleArguments(int argc, char** argv) {
  SetConsoleOutputCP(CP_UTF8);
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return {argv + 1, argv + argc};
  std::vector<std::string> arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(utf8FromWide(wide[i]));
  LocalFree(wide);
  return arguments;
}

const char* const kPlatformName = "Windows x64";
const char* const kPortNamesHelp = "NAME is COM1 to COM256.\n";
const char* const kKeptTablesFolder = "%LOCALAPPDATA%\\q4t-programmer\\keyboards";

}  // namespace q4t

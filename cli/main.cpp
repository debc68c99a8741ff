// q4t: the key table tool on the command line.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/Console.h"
#include "cli/DiffCommand.h"
#include "cli/HistoryCommand.h"
#include "cli/LinkCommands.h"
#include "cli/RolloutCommand.h"
#include "cli/ShowCommand.h"
#include "model/KeyTableFile.h"

namespace {

constexpr int kUsageError = 2;

const char* const kCommands =
    "usage: q4t show FILE\n"
    "       q4t diff A.q4t B.q4t [--json]\n"
    "       q4t history [SERIAL]\n"
    "       q4t connect --port NAME\n"
    "       q4t upload --port NAME [--base FILE] OUT.q4t\n"
    "       q4t download --port NAME [--dry-run | --no-snapshot] IN.q4t\n"
    "       q4t read-tco --port NAME [--json | --csv]\n"
    "       q4t license --port NAME on|off\n"
    "       q4t rollout TABLE.q4t --port NAME [--port NAME ...] --log FILE.csv [--count N]\n"
    "       q4t --help | --version\n";
const char* const kOptions =
    "--timeout SECONDS (a whole number, default 60) bounds a link command.\n"
    "--base FILE: the table upload starts from; default DefTable.q4t in the\n"
    "current folder, else the one installed with q4t.\n"
    "--json: read-tco prints its report as one JSON object.\n"
    "--csv: read-tco prints the counter readings as CSV.\n"
    "diff lists what would change on the keyboard from A to B (with --json as\n"
    "one JSON object); exit 0 when it would hold the same from both, 1 when not.\n"
    "history lists the tables kept of each keyboard (or of SERIAL) before and\n"
    "after each download, in ";
const char* const kCommandNotes =
    ".\n"
    "download keeps the keyboard's table there before it writes; --dry-run\n"
    "only lists what would change, --no-snapshot writes without keeping.\n"
    "rollout writes TABLE to one keyboard after another on each port, keeping each\n"
    "one's table first, and appends a line for each to the log (CSV); --count N\n"
    "ends it after N keyboards in all, Ctrl+C at once.\n"
    "Status texts and errors go to stderr, results to stdout.\n";

std::string usage() {
  return std::string(kCommands) + q4t::kPortNamesHelp + kOptions + q4t::kKeptTablesFolder + kCommandNotes;
}

int usageError(const std::string& message) {
  std::fprintf(stderr, "q4t: %s\n", message.c_str());
  return kUsageError;
}

int showCommand(const std::vector<std::string>& args) {
  if (args.size() != 1) return usageError("show takes one file name");
  q4t::KeyTable table;
  if (const q4t::FileResult read = q4t::readKeyTable(args[0], table); !read)
    return usageError(args[0] + ": " + read.reason);
  std::fputs(q4t::renderKeyTable(table).c_str(), stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args = q4t::consoleArguments(argc, argv);
  if (args.empty()) {
    std::fputs(usage().c_str(), stderr);
    return kUsageError;
  }
  const std::string command = args.front();
  args.erase(args.begin());
  if (command == "--help") return std::fputs(usage().c_str(), stdout) < 0;
  if (command == "--version") return std::printf("q4t %s for %s\n", Q4T_VERSION_TEXT, q4t::kPlatformName) < 0;
  if (command == "show") return showCommand(args);
  if (command == "diff") return q4t::diffCommand(args);
  if (command == "history") return q4t::historyCommand(args);
  if (q4t::isLinkCommand(command)) return q4t::runLinkCommand(command, args);
  if (command == "rollout") return q4t::rolloutCommand(args);
  return usageError("unknown command " + command);
}

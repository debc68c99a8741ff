// q4t rollout: one keyboard after another on each port, one line each on
// standard output and in the log, the totals at the end.
#include "cli/RolloutCommand.h"

#include <algorithm>
#include <cstdio>

#include "cli/CliWindow.h"
#include "cli/KeyboardText.h"
#include "cli/LinkCommands.h"
#include "link/Rollout.h"
#include "model/KeyTableFile.h"

namespace q4t {

namespace {

constexpr int kRolloutFailed = 1;
constexpr int kUsageError = 2;
constexpr int kMaxCount = 1'000'000;
constexpr auto kLookEvery = std::chrono::milliseconds(100);  // for Ctrl+C

int usage(const std::string& message) {
  std::fprintf(stderr, "q4t: %s\n", message.c_str());
  return kUsageError;
}

// The settings without the table; the reason in error when the arguments are wrong.
std::optional<RolloutSettings> parseArguments(const std::vector<std::string>& args, std::string& error) {
  RolloutSettings settings;
  std::vector<std::string> files;
  for (std::size_t i = 0; i < args.size() && error.empty(); ++i) {
    const std::string& arg = args[i];
    if (arg != "--port" && arg != "--log" && arg != "--count") {
      if (arg.rfind("--", 0) == 0) error = "unknown option " + arg;
      files.push_back(arg);
    } else if (i + 1 == args.size()) {
      error = arg + " needs a value";
    } else if (arg == "--port") {
      settings.ports.push_back(portArgument(args[++i]));
    } else if (arg == "--log") {
      settings.logPath = args[++i];
    } else if ((settings.count = parseWholeNumber(args[++i], kMaxCount)) == 0) {
      error = "--count needs a whole number of keyboards from 1 to " + std::to_string(kMaxCount);
    }
  }
  if (error.empty() && files.size() != 1) error = "rollout takes one key table file";
  if (error.empty() && settings.ports.empty()) error = "--port NAME is required";
  if (error.empty() && settings.logPath.empty()) error = "--log FILE is required";
  if (!error.empty()) return std::nullopt;
  settings.tableFile = absolutePath(files.front());
  return settings;
}

// "COM1  SN 00123  OK: Download and verify successful  1.7 s", the ports in one column.
void printDone(const KeyboardDone& done, std::size_t portWidth) {
  const std::string serial = done.serialNumber.empty() ? "no serial" : "SN " + terminalText(done.serialNumber);
  std::printf("%-*s  %s  %s  %.1f s\n", static_cast<int>(portWidth), done.port.c_str(), serial.c_str(),
              done.result.c_str(), done.seconds);
  std::fflush(stdout);
}

}  // namespace

int rolloutCommand(const std::vector<std::string>& args) {
  std::string error;
  std::optional<RolloutSettings> settings = parseArguments(args, error);
  if (!settings) return usage(error);
  if (const FileResult read = readKeyTable(settings->tableFile, settings->table); !read)
    return usage(settings->tableFile + ": " + read.reason);
  std::size_t portWidth = 0;
  for (const std::string& port : settings->ports) portWidth = std::max(portWidth, port.size());

  InstallInterruptHandler();
  Rollout rollout([portWidth](const KeyboardDone& done) { printDone(done, portWidth); },
                  [](const std::string& port, const std::string& text) {
                    std::fprintf(stderr, "q4t: %s: %s\n", port.c_str(), text.c_str());
                  });
  if (const FileResult started = rollout.Start(*settings); !started) return usage(started.reason);
  std::fprintf(stderr, "q4t: waiting for keyboards; Ctrl+C ends the roll-out\n");
  while (!rollout.WaitFinished(kLookEvery) && InterruptSignal() == 0) {
  }
  rollout.Stop();
  const RolloutTotals totals = rollout.totals();
  std::printf("%d keyboard%s: %d verified, %d failed\n", totals.done, totals.done == 1 ? "" : "s", totals.verified,
              totals.failed());
  return totals.failed() > 0 || !rollout.failure().empty() ? kRolloutFailed : 0;
}

}  // namespace q4t

// q4t-keyboard-sim: a virtual Q4T keyboard on a pseudo-terminal, for trying
// the tool without the hardware.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <mutex>
#include <sys/stat.h>

#include "sim/ProgramOptions.h"
#include "sim/StateFile.h"
#include "sim/VirtualKeyboard.h"

namespace {

using namespace q4t::sim;

std::string Hex(const Bytes& bytes) {
  std::string text;
  char digits[4];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(digits, sizeof digits, i == 0 ? "%02X" : " %02X", bytes[i]);
    text += digits;
  }
  return text;
}

bool FileExists(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0;
}

std::optional<KeyboardState> InitialState(const std::string& statePath) {
  if (statePath.empty() || !FileExists(statePath)) return FactoryState();
  std::string error;
  std::optional<KeyboardState> state = LoadState(statePath, error);
  if (!state) std::cerr << "q4t-keyboard-sim: " << error << '\n';
  return state;
}

// What the program reports of each exchange: the log line, the verbose
// lines, and the line settings after the first request.
class ExchangeReport {
 public:
  ExchangeReport(const ProgramOptions& options, VirtualKeyboard& keyboard)
      : options_(options), keyboard_(keyboard) {}
  ~ExchangeReport() {
    if (log_) std::fclose(log_);
  }

  // Only a regular file takes the log: a FIFO would hold the start up and a
  // device such as /dev/full would lose the lines. False with the reason.
  bool openLog(std::string& error) {
    const std::string& path = options_.logPath;
    if (path.empty()) return true;
    struct stat status {};
    if (stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
      error = "the log " + path + " is not a regular file";
      return false;
    }
    log_ = std::fopen(path.c_str(), "ae");
    if (!log_) error = "cannot open the log " + path + ": " + std::strerror(errno);
    return log_ != nullptr;
  }
  // A log line could not be written (the disk is full): said once on stderr.
  bool logFailed() const { return logFailed_; }

  void operator()(const Exchange& exchange) {
    std::lock_guard lock(mutex_);
    if (log_ && !logFailed_) writeLogLine(Hex(exchange.request));
    if (options_.verbose) printExchange(exchange);
    if (options_.showLineSettings && !lineSettingsShown_) {
      std::cout << "line settings: " << keyboard_.currentLineSettings().describe() << std::endl;
      lineSettingsShown_ = true;
    }
  }

 private:
  void printExchange(const Exchange& exchange) {
    std::cout << "request: " << Hex(exchange.request) << '\n';
    if (!exchange.note.empty()) std::cout << "  " << exchange.note << '\n';
    if (!exchange.reply.empty()) std::cout << "reply:   " << Hex(exchange.reply) << '\n';
    std::cout.flush();
  }

  void writeLogLine(const std::string& line) {
    if (std::fprintf(log_, "%s\n", line.c_str()) >= 0 && std::fflush(log_) == 0) return;
    logFailed_ = true;
    std::cerr << "q4t-keyboard-sim: cannot write to the log " << options_.logPath << ": " << std::strerror(errno)
              << std::endl;
  }

  const ProgramOptions& options_;
  VirtualKeyboard& keyboard_;
  std::FILE* log_ = nullptr;
  bool logFailed_ = false;
  std::mutex mutex_;
  bool lineSettingsShown_ = false;
};

int WaitForStopSignal(const sigset_t& stopSignals) {
  int signalNumber = 0;
  sigwait(&stopSignals, &signalNumber);
  return signalNumber;
}

}  // namespace

int main(int argc, char** argv) {
  std::string error;
  const std::optional<ProgramOptions> options =
      ParseProgramOptions(std::vector<std::string>(argv + 1, argv + argc), error);
  if (!options) {
    std::cerr << "q4t-keyboard-sim: " << error << '\n' << kProgramUsage;
    return 2;
  }
  if (options->help) {
    std::cout << kProgramUsage;
    return 0;
  }
  if (options->version) {
    std::cout << "q4t-keyboard-sim " << Q4T_VERSION_TEXT << '\n';
    return 0;
  }
  std::optional<KeyboardState> initial = InitialState(options->statePath);
  if (!initial) return 1;
  if (options->serialNumber) initial->setSerialNumber(*options->serialNumber);

  // Blocked before the keyboard's thread starts, so that only sigwait takes them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  VirtualKeyboard keyboard(std::move(*initial));
  keyboard.setFaults(options->faults);
  keyboard.setReplacements(options->replacements);
  ExchangeReport report(*options, keyboard);
  if (!report.openLog(error)) {
    std::cerr << "q4t-keyboard-sim: " << error << '\n';
    return 1;
  }
  keyboard.setListener([&report](const Exchange& exchange) { report(exchange); });
  if (!keyboard.start(options->linkPath)) {
    std::cerr << "q4t-keyboard-sim: " << keyboard.lastError() << '\n';
    return 1;
  }
  std::cout << "keyboard on " << keyboard.deviceName() << ", linked at " << options->linkPath << '\n'
            << "ready" << std::endl;

  const int signalNumber = WaitForStopSignal(stopSignals);
  keyboard.stop();
  std::cout << "stopped by signal " << signalNumber << std::endl;
  if (!options->statePath.empty() && !SaveState(keyboard.state(), options->statePath, error)) {
    std::cerr << "q4t-keyboard-sim: " << error << '\n';
    return 1;
  }
  return report.logFailed() ? 1 : 0;
}

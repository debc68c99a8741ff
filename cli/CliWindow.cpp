#include "cli/CliWindow.h"

#include <atomic>
#include <csignal>
#include <cstdio>

#include "model/PathText.h"

namespace q4t {

namespace {
std::atomic<int> interruptSignal{0};
void onInterrupt(int signal) { interruptSignal = signal; }
constexpr auto kWakeUp = std::chrono::milliseconds(100);  // to notice an interrupt
constexpr const char* kConnected = "OK: Keyboard connected";
}  // namespace

void InstallInterruptHandler() {
  std::signal(SIGINT, onInterrupt);
  std::signal(SIGTERM, onInterrupt);
}

int InterruptSignal() { return interruptSignal; }

void CliWindow::ShowStatus(const std::string& text) {
  if (text == kConnected) {
    if (greeting_ == Greeting::None) greeting_ = Greeting::Answered;
    return;
  }
  if (text.rfind("ERROR: ", 0) == 0) errorShown_ = true;
  std::fprintf(stderr, "%s\n", text.c_str());
}

void CliWindow::DeviceWentAway() { std::fprintf(stderr, "q4t: device went away\n"); }

// The keyboard holds the table already; only its copy could not be kept.
void CliWindow::WrittenKept(const SavedSnapshot& kept) {
  if (kept.result) {
    std::fprintf(stderr, "q4t: the table written is kept in %s\n", pathText(kept.path).c_str());
  } else {
    std::fprintf(stderr, "q4t: warning: the table written could not be kept: %s\n", kept.result.reason.c_str());
  }
}

CliWindow::Outcome CliWindow::Run(KeyboardLink& link, std::chrono::steady_clock::time_point deadline) {
  const RunEnd end = HeadlessWindow::Run(link, {[] { return interruptSignal != 0; }, deadline, false, kWakeUp});
  if (end == RunEnd::Stopped) return Outcome::Interrupted;
  if (end != RunEnd::Settled) return Outcome::Stalled;
  if (greeting_ == Greeting::Answered && !errorShown_) {
    std::fprintf(stderr, "%s\n", kConnected);
    greeting_ = Greeting::Printed;
  }
  return Outcome::Done;
}

}  // namespace q4t

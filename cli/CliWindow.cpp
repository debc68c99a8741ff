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

void CliWindow::PostToWindow(const LinkPost& post) {
  std::lock_guard lock(mutex_);
  queue_.push_back(post);
  posted_.notify_one();
}

bool CliWindow::StartTimer(int, int milliseconds) {
  timerDue_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  return true;
}

void CliWindow::StopTimer(int) { timerDue_.reset(); }

void CliWindow::ShowStatus(const std::string& text) {
  if (text == kConnected) {
    if (greeting_ == Greeting::None) greeting_ = Greeting::Answered;
    return;
  }
  if (text.rfind("ERROR: ", 0) == 0) errorShown_ = true;
  std::fprintf(stderr, "%s\n", text.c_str());
}

void CliWindow::DeviceWentAway() { std::fprintf(stderr, "q4t: device went away\n"); }

void CliWindow::TableKept(const KeyboardReading& reading, const SavedSnapshot& kept) {
  reading_ = reading;
  keptBefore_ = kept;
}

// The keyboard holds the table already; only its copy could not be kept.
void CliWindow::WrittenKept(const SavedSnapshot& kept) {
  if (kept.result) {
    std::fprintf(stderr, "q4t: the table written is kept in %s\n", pathText(kept.path).c_str());
  } else {
    std::fprintf(stderr, "q4t: warning: the table written could not be kept: %s\n", kept.result.reason.c_str());
  }
}

CliWindow::Outcome CliWindow::Run(KeyboardLink& link, std::chrono::steady_clock::time_point deadline) {
  for (;;) {
    std::unique_lock lock(mutex_);
    const bool settled = link.phase() == LinkPhase::Idle || link.phase() == LinkPhase::Unlinked;
    if (queue_.empty() && !timerDue_ && settled) {
      if (greeting_ == Greeting::Answered && !errorShown_) {
        std::fprintf(stderr, "%s\n", kConnected);
        greeting_ = Greeting::Printed;
      }
      return Outcome::Done;
    }
    if (interruptSignal != 0) return Outcome::Interrupted;
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return Outcome::Stalled;
    auto wakeAt = std::min(deadline, now + kWakeUp);
    if (timerDue_) wakeAt = std::min(wakeAt, *timerDue_);
    posted_.wait_until(lock, wakeAt, [this] { return !queue_.empty(); });
    if (!queue_.empty()) {
      const LinkPost post = queue_.front();
      queue_.pop_front();
      lock.unlock();
      link.HandlePost(post);
    } else if (timerDue_ && std::chrono::steady_clock::now() >= *timerDue_) {
      lock.unlock();
      link.OnReplyTimer();
    }
  }
}

}  // namespace q4t

#include "link/HeadlessWindow.h"

#include <algorithm>

namespace q4t {

void HeadlessWindow::PostToWindow(const LinkPost& post) {
  std::lock_guard lock(mutex_);
  queue_.push_back(post);
  woken_.notify_all();
}

bool HeadlessWindow::StartTimer(int, int milliseconds) {
  timerDue_ = Clock::now() + std::min(std::chrono::milliseconds(milliseconds), replyWait_);
  return true;
}

void HeadlessWindow::StopTimer(int) { timerDue_.reset(); }

void HeadlessWindow::TableKept(const KeyboardReading& reading, const SavedSnapshot& kept) {
  reading_ = reading;
  keptBefore_ = kept;
}

void HeadlessWindow::Wake() {
  std::lock_guard lock(mutex_);
  woken_.notify_all();
}

HeadlessWindow::RunEnd HeadlessWindow::Run(KeyboardLink& link, const RunLimits& limits) {
  for (;;) {
    std::unique_lock lock(mutex_);
    const bool settled = link.phase() == LinkPhase::Idle || link.phase() == LinkPhase::Unlinked;
    if (queue_.empty() && !timerDue_ && settled) return RunEnd::Settled;
    if (limits.stop && limits.stop()) return RunEnd::Stopped;
    const Clock::time_point now = Clock::now();
    if (now >= limits.deadline) return RunEnd::Stalled;
    Clock::time_point wakeAt = std::min(limits.deadline, now + limits.lookAgain);
    if (timerDue_) wakeAt = std::min(wakeAt, *timerDue_);
    woken_.wait_until(lock, wakeAt, [&] { return !queue_.empty() || (limits.stop && limits.stop()); });
    if (!queue_.empty()) {
      const LinkPost post = queue_.front();
      queue_.pop_front();
      lock.unlock();
      link.HandlePost(post);
    } else if (timerDue_ && Clock::now() >= *timerDue_) {
      if (limits.silenceEnds) {
        timerDue_.reset();
        return RunEnd::Silent;
      }
      lock.unlock();
      link.OnReplyTimer();
    }
  }
}

void HeadlessWindow::Pause(Clock::time_point until, const std::function<bool()>& stop) {
  std::unique_lock lock(mutex_);
  woken_.wait_until(lock, until, stop);
}

}  // namespace q4t

// A window for the link without a screen: an event queue and the reply timer,
// run on the thread that asks for a transfer until the link has nothing left
// to do. The command line and each roll-out station are one.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

#include "link/KeyboardLink.h"

namespace q4t {

class HeadlessWindow : public LinkWindow {
 public:
  using Clock = std::chrono::steady_clock;

  void PostToWindow(const LinkPost& post) override;
  bool StartTimer(int id, int milliseconds) override;
  void StopTimer(int id) override;
  void Repaint() override {}
  void RefreshKeyTexts() override {}
  void RefreshKeyStyles() override {}
  void RestoreChangedMarks() override {}
  void SetModified(bool) override {}
  void CloseTcoWindows() override {}
  void TableKept(const KeyboardReading& reading, const SavedSnapshot& kept) override;

  // What the read before a Download gave: the keyboard's table and how it was kept.
  const std::optional<KeyboardReading>& reading() const { return reading_; }
  const SavedSnapshot& keptBefore() const { return keptBefore_; }

  // Wakes a waiting Run() or Pause() to ask its stop again; from any thread.
  void Wake();

 protected:
  enum class RunEnd { Settled, Stopped, Silent, Stalled };
  struct RunLimits {
    std::function<bool()> stop;  // asked at each wake: true ends the run
    Clock::time_point deadline = Clock::time_point::max();
    bool silenceEnds = false;  // the reply timer ends the run instead of the link's wait
    Clock::duration lookAgain = std::chrono::seconds(1);  // wake with nothing queued
  };

  // The link's events and timer on this thread, until it is idle or unlinked
  // with nothing queued (Settled), or the limits end it first.
  RunEnd Run(KeyboardLink& link, const RunLimits& limits);
  // Waits until the time or until stop is true (asked when woken).
  void Pause(Clock::time_point until, const std::function<bool()>& stop);
  // The reply timer runs no longer than this (a quick probe for a keyboard).
  void LimitReplyWait(std::chrono::milliseconds longest) { replyWait_ = longest; }
  void ForgetReading() {
    reading_.reset();
    keptBefore_ = {};
  }

 private:
  std::mutex mutex_;
  std::condition_variable woken_;
  std::deque<LinkPost> queue_;
  std::optional<Clock::time_point> timerDue_;
  std::chrono::milliseconds replyWait_ = std::chrono::milliseconds::max();
  std::optional<KeyboardReading> reading_;
  SavedSnapshot keptBefore_;
};

}  // namespace q4t

// The command-line tool's window for the link: an event queue with the reply
// timer, status texts printed on stderr the moment they are shown (stdout
// carries only results, such as the JSON of read-tco). "OK: Keyboard
// connected", which the link shows for each unit that answers, is printed
// once, when a step of the command has ended without an error.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

#include "link/KeyboardLink.h"

namespace q4t {

class CliWindow : public LinkWindow {
 public:
  explicit CliWindow(KeyTable& table) : table_(table) {}

  void PostToWindow(const LinkPost& post) override;
  bool StartTimer(int id, int milliseconds) override;
  void StopTimer(int id) override;
  void ShowStatus(const std::string& text) override;
  void Repaint() override {}
  void RefreshKeyTexts() override {}
  void RelayoutKeys() override { table_.applyLoadedShapes(); }
  void RefreshKeyStyles() override {}
  void RestoreChangedMarks() override {}
  void SetModified(bool) override {}
  void CloseTcoWindows() override {}
  void DeviceWentAway() override;
  void TableKept(const KeyboardReading& reading, const SavedSnapshot& kept) override;
  void WrittenKept(const SavedSnapshot& kept) override;

  enum class Outcome { Done, Stalled, Interrupted };
  // Runs the link's events and timer until the link has nothing left to do.
  Outcome Run(KeyboardLink& link, std::chrono::steady_clock::time_point deadline);
  bool errorShown() const { return errorShown_; }
  // What the read before a Download gave: the keyboard's table and how it was kept.
  const std::optional<KeyboardReading>& reading() const { return reading_; }
  const SavedSnapshot& keptBefore() const { return keptBefore_; }

 private:
  KeyTable& table_;
  std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<LinkPost> queue_;
  std::optional<std::chrono::steady_clock::time_point> timerDue_;
  bool errorShown_ = false;
  std::optional<KeyboardReading> reading_;
  SavedSnapshot keptBefore_;
  enum class Greeting { None, Answered, Printed } greeting_ = Greeting::None;
};

// Notes SIGINT and SIGTERM, which end Run() with Outcome::Interrupted.
void InstallInterruptHandler();
// The signal that interrupted the command, 0 when none did.
int InterruptSignal();

}  // namespace q4t

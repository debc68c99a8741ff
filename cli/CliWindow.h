// The command-line tool's window for the link: an event queue with the reply
// timer, status texts printed on stderr the moment they are shown (stdout
// carries only results, such as the JSON of read-tco). "OK: Keyboard
// connected", which the link shows for each unit that answers, is printed
// once, when a step of the command has ended without an error.
#pragma once

#include <chrono>

#include "link/HeadlessWindow.h"

namespace q4t {

class CliWindow : public HeadlessWindow {
 public:
  explicit CliWindow(KeyTable& table) : table_(table) {}

  void ShowStatus(const std::string& text) override;
  void RelayoutKeys() override { table_.applyLoadedShapes(); }
  void DeviceWentAway() override;
  void WrittenKept(const SavedSnapshot& kept) override;

  enum class Outcome { Done, Stalled, Interrupted };
  // Runs the link's events and timer until the link has nothing left to do.
  Outcome Run(KeyboardLink& link, std::chrono::steady_clock::time_point deadline);
  bool errorShown() const { return errorShown_; }

 private:
  KeyTable& table_;
  bool errorShown_ = false;
  enum class Greeting { None, Answered, Printed } greeting_ = Greeting::None;
};

// Notes SIGINT and SIGTERM, which end Run() with Outcome::Interrupted.
void InstallInterruptHandler();
// The signal that interrupted the command, 0 when none did.
int InterruptSignal();

}  // namespace q4t

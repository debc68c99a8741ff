// One port of a roll-out, on a thread of its own with its own link and port:
// it waits for a keyboard to answer Connect (asking every second, quietly),
// keeps the table the keyboard holds, downloads with verify, reports the
// keyboard, and waits until it has stopped answering for a second before it
// takes the next one.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "link/KeyboardLink.h"

namespace q4t {

constexpr const char* kVerifiedText = "OK: Download and verify successful";

// What every station of a roll-out writes, and where the old tables go.
struct RolloutPlan {
  KeyTable table;
  std::string tableFile;  // named in the written tables kept and in the log
  SnapshotStore store;
};

// One keyboard a station is done with.
struct KeyboardDone {
  std::string port;
  std::string serialNumber;  // the keyboard's bytes; empty when unknown or not set
  std::string result;        // the status text that ended it, or why nothing was written
  bool verified = false;
  double seconds = 0;
  std::string snapshotFile;  // where its old table was kept
};

// What the stations ask of the roll-out that runs them, from their threads.
class StationHost {
 public:
  virtual ~StationHost() = default;
  virtual bool stopping() const = 0;
  // A keyboard answered; false when the roll-out has all it was told to do.
  virtual bool takeKeyboard() = 0;
  virtual void keyboardDone(const KeyboardDone& done) = 0;
  virtual void portNote(const std::string& port, const std::string& text) = 0;
};

using PortMaker = std::function<std::shared_ptr<PortDevice>()>;

class RolloutStation : public LinkWindow {
 public:
  RolloutStation(std::string port, const RolloutPlan& plan, StationHost& host, PortMaker makePort);
  ~RolloutStation() override;

  // Keyboard after keyboard until the host stops; a keyboard in transfer mode
  // is then taken out of it before the port is given up.
  void Run();
  // Lets a waiting station see that the host stops; from any thread.
  void Wake();

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

 private:
  using Clock = std::chrono::steady_clock;
  enum class Answer { Connected, Refused, Silent, NoPort };
  enum class StepEnd { Settled, Silent, Stopped };

  std::optional<Answer> WaitForKeyboard();
  void WaitUntilUnplugged();
  Answer Probe(std::chrono::milliseconds silence);
  void NotePort(bool opened);
  void Program();
  void Report(KeyboardDone done, Clock::time_point started);
  StepEnd RunStep(const std::function<void()>& start);
  StepEnd RunLink(bool silenceEnds);
  void Pause(Clock::time_point until);

  std::string port_;
  const RolloutPlan& plan_;
  StationHost& host_;

  // Before the link: its receive thread posts here until the link is gone.
  std::mutex mutex_;
  std::condition_variable woken_;
  std::deque<LinkPost> queue_;
  std::optional<Clock::time_point> timerDue_;

  KeyTable table_;
  LinkShared shared_;
  std::shared_ptr<PortDevice> lastPort_;
  KeyboardLink link_;

  std::string firstError_, lastStatus_;  // of the step that runs
  std::optional<KeyboardReading> reading_;
  SavedSnapshot keptBefore_;
  bool portMissing_ = false;
  // How long a request may go unanswered; shorter while asking for a new keyboard.
  std::chrono::milliseconds replyWait_{kReplyTimeoutMs};
};

}  // namespace q4t

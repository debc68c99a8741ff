// One port of a roll-out, on a thread of its own with its own link and port:
// it waits for a keyboard to answer Connect (asking every second, quietly),
// keeps the table the keyboard holds, downloads with verify, reports the
// keyboard, and waits until it has stopped answering for a second before it
// takes the next one.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "link/HeadlessWindow.h"

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

class RolloutStation : public HeadlessWindow {
 public:
  RolloutStation(std::string port, const RolloutPlan& plan, StationHost& host, PortMaker makePort);
  ~RolloutStation() override;

  // Keyboard after keyboard until the host stops; a keyboard in transfer mode
  // is then taken out of it before the port is given up.
  // (Wake() lets a waiting station see that the host stops.)
  void Run();

  void ShowStatus(const std::string& text) override;
  void RelayoutKeys() override { table_.applyLoadedShapes(); }
  void DeviceWentAway() override;
  void WrittenKept(const SavedSnapshot& kept) override;

 private:
  enum class Answer { Connected, Refused, Silent, NoPort };

  std::optional<Answer> WaitForKeyboard();
  void WaitUntilUnplugged();
  Answer Probe(std::chrono::milliseconds silence);
  void NotePort(bool opened);
  void Program();
  void Report(KeyboardDone done, Clock::time_point started);
  RunEnd RunStep(const std::function<void()>& start);
  RunEnd RunLink(bool silenceEnds);
  void Pause(Clock::time_point until);

  std::string port_;
  const RolloutPlan& plan_;
  StationHost& host_;

  KeyTable table_;
  LinkShared shared_;
  std::shared_ptr<PortDevice> lastPort_;
  KeyboardLink link_;

  std::string firstError_, lastStatus_;  // of the step that runs
  bool portMissing_ = false;
};

}  // namespace q4t

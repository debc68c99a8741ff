// A roll-out: the same key table written to one keyboard after another, on
// several ports at once, each keyboard's old table kept and a line logged for
// each. One station per port, each on a thread of its own with its own link,
// so that one port's fault never stops another; q4t rollout and the roll-out
// window both run it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/RolloutStation.h"
#include "model/RolloutLog.h"

namespace q4t {

struct RolloutSettings {
  std::vector<std::string> ports;  // COM<n> or device paths
  KeyTable table;
  std::string tableFile;
  std::string logPath;
  int count = 0;  // keyboards in all; 0 until stopped
  std::filesystem::path snapshotRoot = defaultSnapshotRoot();
  PortMaker makePort;  // the serial port when empty
};

struct RolloutTotals {
  int done = 0;
  int verified = 0;
  int failed() const { return done - verified; }
};

// The bytes a Download writes for the table: the 92 value pairs, the 46 size
// bytes and the 24 owner bytes, as the keyboard holds them (not the date).
std::vector<std::uint8_t> downloadedBytes(const KeyTable& table);

class Rollout : public StationHost {
 public:
  // Called on the stations' threads, one call at a time.
  using DoneListener = std::function<void(const KeyboardDone& done)>;
  using NoteListener = std::function<void(const std::string& port, const std::string& text)>;

  Rollout(DoneListener onDone, NoteListener onNote);
  ~Rollout() override;

  // Refused, with the reason and before any keyboard is touched: no port or
  // one named twice, a table the keyboard cannot hold, a log that cannot be
  // written, a port that cannot be opened. Otherwise every station starts.
  FileResult Start(const RolloutSettings& settings);
  // Every station ends (a keyboard in transfer mode is taken out of it first);
  // returns when all have.
  void Stop();
  // Once the count is done, the log has failed or Stop was called.
  bool finished() const { return stopping(); }
  // False when the time passed first.
  bool WaitFinished(std::chrono::milliseconds timeout);
  RolloutTotals totals() const;
  // Why the roll-out stopped by itself (its log could not be written); empty when it did not.
  std::string failure() const;

  bool stopping() const override { return stop_; }
  bool takeKeyboard() override;
  void keyboardDone(const KeyboardDone& done) override;
  void portNote(const std::string& port, const std::string& text) override;

 private:
  FileResult CheckPorts(const std::vector<std::string>& ports, const PortMaker& makePort) const;
  void StopAll();

  DoneListener onDone_;
  NoteListener onNote_;
  std::unique_ptr<RolloutPlan> plan_;
  std::string tableSha256_;
  RolloutLog log_;
  int count_ = 0;

  mutable std::mutex mutex_;
  std::condition_variable finished_;
  std::atomic<bool> stop_{false};
  int taken_ = 0;
  RolloutTotals totals_;
  std::string failure_;

  std::vector<std::unique_ptr<RolloutStation>> stations_;
  std::vector<std::thread> threads_;
};

}  // namespace q4t

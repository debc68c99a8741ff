// An in-memory keyboard behind the port interface, and a window that queues
// the link's events and lets the test fire the reply timer by hand.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "link/KeyboardLink.h"
#include "link/PortDevice.h"
#include "TestTables.h"

namespace q4t::testing {

std::string hex(const Frame& frame);
std::string hex(const std::vector<std::uint8_t>& bytes);

// Answers requests as the keyboard does, over a 64 KiB memory image.
class FakeKeyboard {
 public:
  FakeKeyboard();

  std::vector<std::uint8_t> Answer(const Frame& request);
  std::vector<std::string> requests() const;  // every request received, in hex
  void clearRequests();

  std::array<std::uint8_t, 65536> memory{};
  std::array<std::uint32_t, 30> counters{};
  std::string details = "Q4T 92 keys\r\nfirmware 2.1";
  int silentFor = 0;           // requests left unanswered
  std::uint8_t errorStatus = 0;
  int errorCount = 0;          // requests answered with errorStatus
  std::set<int> busyUnits;     // units that answer status 35
  bool doubleReplies = false;  // each reply twice in one write
  int holdReplies = 0;         // replies kept back until the port releases them
  bool lastReply = false;      // the port hangs up once the next reply is written
  // Changes a reply before it goes out (for wrong checksums, short replies, ...).
  std::function<void(const Frame& request, std::vector<std::uint8_t>& reply)> tamper;

 private:
  std::vector<std::uint8_t> Reply(const Frame& request, std::uint8_t status,
                                  const std::vector<std::uint8_t>& data) const;
  std::vector<std::uint8_t> Data(const Frame& request);
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
};

class FakePort : public PortDevice {
 public:
  explicit FakePort(FakeKeyboard& keyboard);
  ~FakePort() override;
  bool Open(int portNumber) override;
  bool OpenPath(const std::string& path) override;
  bool Close() override;
  bool IsOpen() const override { return open_; }
  std::size_t Read(std::uint8_t* buffer, std::size_t max) override;
  bool Write(const std::uint8_t* bytes, std::size_t n) override;
  int PollHandle() const override { return pipe_[0]; }
  std::string LastError() const override { return "fake: no such port"; }

  // The replies held back arrive now, late.
  void ReleaseHeld();
  // The keyboard goes away: the port hangs up.
  void HangUp();
  // Replies written to the open port that the receive thread has not read yet.
  bool HasUnread() const;

  std::vector<int> openedPorts;

 private:
  FakeKeyboard& keyboard_;
  std::vector<std::uint8_t> held_;
  int pipe_[2] = {-1, -1};
  std::atomic<bool> open_{false};
};

struct FakeTcoView : TcoDisplay {
  void ShowCounters(const TcoCounterTable& table) override { counters = table; ++countersShown; }
  void SetSerialNumber(const std::string& text) override { serialNumber = text; }
  void SetManufactureDate(const std::string& text) override { manufactureDate = text; }
  void SetProgrammingDate(const std::string& text) override { programmingDate = text; }
  void SetDeviceDetails(const std::string& text) override { deviceDetails = text; }
  void SetCaliforniaLicense(bool on) override { license = on ? 1 : 0; }
  TcoCounterTable counters{};
  int countersShown = 0;
  std::string serialNumber = "-", manufactureDate = "-", programmingDate = "-", deviceDetails = "-";
  int license = -1;
};

class FakeWindow : public LinkWindow {
 public:
  void PostToWindow(const LinkPost& post) override;
  bool StartTimer(int id, int milliseconds) override;
  void StopTimer(int id) override;
  void ShowStatus(const std::string& text) override { statuses.push_back(text); }
  void Repaint() override { ++repaints; }
  void RefreshKeyTexts() override { ++keyTextRefreshes; }
  void RelayoutKeys() override { ++relayouts; }
  void RefreshKeyStyles() override { ++styleRefreshes; }
  void RestoreChangedMarks() override { ++changedMarkRestores; }
  void SetModified(bool value) override { modified = value; }
  void CloseTcoWindows() override { ++tcoCloses; }
  void DeviceWentAway() override { ++deviceLosses; }
  void TableKept(const KeyboardReading& read, const SavedSnapshot& kept) override {
    reading = read;
    keptBefore.push_back(kept);
  }
  void TableNotRead() override { ++tablesNotRead; }
  void WrittenKept(const SavedSnapshot& kept) override { keptWritten.push_back(kept); }

  // Hands queued events to the link until none comes for a while; a test
  // fails rather than waits when events never stop.
  void Pump(KeyboardLink& link);
  // The reply timer expires, when it runs.
  void ExpireTimer(KeyboardLink& link);
  // Waits until an event is queued; false when none came in time.
  bool WaitForPost(std::chrono::milliseconds timeout);

  std::vector<std::string> statuses;
  bool timerRunning = false;
  int timerStarts = 0;
  int repaints = 0, keyTextRefreshes = 0, relayouts = 0, styleRefreshes = 0;
  int changedMarkRestores = 0, tcoCloses = 0;
  bool modified = false;
  int deviceLosses = 0;
  std::optional<KeyboardReading> reading;
  std::vector<SavedSnapshot> keptBefore, keptWritten;
  int tablesNotRead = 0;
  // The receive thread waits in each post until the window has handled it:
  // a fast window and a slow receive thread.
  bool lockstep = false;
  // The window takes a reply only once the receive thread has queued the
  // next one too: a slow window behind a keyboard that answers twice.
  bool pairedReplies = false;
  // True while the keyboard's answer waits unread: Pump then waits longer
  // than its quiet time for the receive thread.
  std::function<bool()> replyUnread;

 private:
  std::mutex mutex_;
  std::condition_variable posted_, handled_;
  std::size_t receiverPosts() const;

  std::deque<LinkPost> queue_;
  unsigned postsQueued_ = 0, postsHandled_ = 0;
};

// A link on fake ports (one for each opening) to one fake keyboard, with its
// window and table: what the link tests start from.
struct FakeLinkBench {
  FakeLinkBench() {
    shared.makePort = [this] { return ports.emplace_back(std::make_shared<FakePort>(keyboard)); };
  }
  FakeKeyboard keyboard;
  std::vector<std::shared_ptr<FakePort>> ports;
  LinkShared shared;
  FakeWindow window;
  KeyTable table = gridTable();
  KeyboardLink link{window, table, shared};
};

}  // namespace q4t::testing

// How the link reaches the window it belongs to, and the TCO display it fills.
// The key layout view implements LinkWindow; so do the command-line tool and
// the tests.
#pragma once

#include <string>

#include "link/Frames.h"
#include "link/LinkEvent.h"
#include "model/KeyTable.h"
#include "model/SnapshotStore.h"

namespace q4t {

constexpr int kReplyTimerId = 1;
constexpr int kReplyTimeoutMs = 1000;

// One event for the window's queue. Events from the receive thread carry the
// reply frame, the run of the thread that took it and the request it was taken
// for; the link's own carry none of these.
struct LinkPost {
  LinkMessage message;
  Frame reply;
  unsigned receiverRun = 0;
  std::uint32_t request = 0;
};

// What the keyboard held before a Download: its table and serial number
// (empty when the keyboard has none set).
struct KeyboardReading {
  KeyTable table;
  std::string serialNumber;
};

class LinkWindow {
 public:
  virtual ~LinkWindow() = default;

  // Queues the event for the window's thread, which hands it back to
  // KeyboardLink::HandlePost. Called from the receive thread as well.
  virtual void PostToWindow(const LinkPost& post) = 0;
  // Starts (or restarts) the timer; on expiry the window calls
  // KeyboardLink::OnReplyTimer. False when no timer could be had.
  virtual bool StartTimer(int id, int milliseconds) = 0;
  virtual void StopTimer(int id) = 0;

  virtual void ShowStatus(const std::string& text) = 0;
  virtual void Repaint() = 0;
  virtual void RefreshKeyTexts() = 0;
  // Re-applies every key's shape after the sizes were read from the keyboard;
  // this must not mark the document modified.
  virtual void RelayoutKeys() = 0;
  virtual void RefreshKeyStyles() = 0;
  virtual void RestoreChangedMarks() = 0;
  virtual void SetModified(bool modified) = 0;
  virtual void CloseTcoWindows() = 0;
  // The port hung up or failed (the keyboard or its adapter went away). The
  // transfer still ends through its time-outs; an idle link ends at once.
  virtual void DeviceWentAway() {}
  // An Upload has replaced the window's table; previous is the table it held.
  virtual void UploadTaken(const KeyTable& previous) { (void)previous; }
  // KeyboardLink::ReadBeforeDownload has read the keyboard's table and tried to
  // keep it; the link is idle and nothing has been written.
  virtual void TableKept(const KeyboardReading& reading, const SavedSnapshot& kept) { (void)reading, (void)kept; }
  // Its read ended without the table: nothing has been written.
  virtual void TableNotRead() {}
  // A verified Download after a kept table has kept the table written.
  virtual void WrittenKept(const SavedSnapshot& kept) { (void)kept; }
};

class TcoDisplay {
 public:
  virtual ~TcoDisplay() = default;
  virtual void ShowCounters(const TcoCounterTable& counters) = 0;
  virtual void SetSerialNumber(const std::string& text) = 0;
  virtual void SetManufactureDate(const std::string& text) = 0;
  virtual void SetProgrammingDate(const std::string& text) = 0;
  virtual void SetDeviceDetails(const std::string& text) = 0;
  virtual void SetCaliforniaLicense(bool on) = 0;
};

}  // namespace q4t

// The events that reach a key layout window from its link: window messages
// WM_USER+1 to WM_USER+12 with two integer parameters.
#pragma once

namespace q4t {

enum class LinkEvent : int {
  BlockWritten = 1025,
  Connected = 1026,
  RepeatRequest = 1027,
  BlockRead = 1028,
  CaliforniaLicenseChanged = 1029,
  CountersRead = 1030,
  ModeSet = 1031,
  WriteFinished = 1032,
  OwnersWritten = 1033,
  StopWaiting = 1034,
  StartPhase = 1035,
  DeviceLost = 1036,  // the port hung up or failed; its receive thread has ended
};

struct LinkMessage {
  LinkEvent event;
  int first = 0;
  int second = 0;
};

}  // namespace q4t

// What all key layout windows of the process share: the one serial port, the
// chosen port name and the window that opened the current TCO window.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "link/PortDevice.h"

namespace q4t {

class KeyboardLink;
class LinkWindow;

struct LinkShared {
  // Receive threads keep their own reference, so the port outlives the last reader.
  std::shared_ptr<PortDevice> port;
  std::string comPortName;
  LinkWindow* tcoOwnerForm = nullptr;
  // The link that sent the last request: only its receive thread takes replies.
  std::atomic<const KeyboardLink*> lastSender{nullptr};
  // Makes the port object; empty result when that fails.
  std::function<std::shared_ptr<PortDevice>()> makePort;
};

// The process's shared values, with the real serial port.
LinkShared& ProcessLinkShared();

}  // namespace q4t

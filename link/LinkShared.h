// What all key layout windows of the process share: the one serial port, the
// chosen port name and the window that opened the current TCO window.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
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
  // Held while bytes are taken from the port and while a request gets its
  // number: bytes that arrived before a request was written are never taken
  // as its reply.
  std::mutex portReading;
};

// The process's shared values, with the real serial port.
LinkShared& ProcessLinkShared();

}  // namespace q4t

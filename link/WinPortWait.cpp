// Waiting on Windows: an event object for the stop. A port without a wait of
// its own only sleeps out the time, or waits for the stop.
#include <windows.h>

#include "link/PortDevice.h"

namespace q4t {

namespace {
HANDLE eventOf(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }
}  // namespace

bool StopEvent::Create() {
  if (!IsCreated()) {
    const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);  // manual reset, not signalled
    if (event != nullptr) handle_ = reinterpret_cast<std::intptr_t>(event);
  }
  return IsCreated();
}

void StopEvent::Signal() { SetEvent(eventOf(handle_)); }

void StopEvent::Clear() { ResetEvent(eventOf(handle_)); }

void StopEvent::Close() {
  if (IsCreated()) CloseHandle(eventOf(handle_));
  handle_ = kNone;
}

PortWait StopEvent::Wait(int ms) const {
  const DWORD result = WaitForSingleObject(eventOf(handle_), static_cast<DWORD>(ms));
  if (result == WAIT_OBJECT_0) return PortWait::Stopped;
  return result == WAIT_TIMEOUT ? PortWait::Quiet : PortWait::Failed;
}

PortWait PortDevice::WaitForBytes(const StopEvent* stop, int ms) {
  if (stop != nullptr) return stop->Wait(ms);
  return PortWait::Quiet;
}

}  // namespace q4t

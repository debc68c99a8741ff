// What asks a receive thread to stop, and what the thread waits for: bytes on
// its port, a hang-up, the stop, or the end of its cycle. An eventfd on POSIX
// systems, an event object on Windows.
#pragma once

#include <cstdint>

namespace q4t {

enum class PortWait { Quiet, Arrived, HungUp, Stopped, Failed };

class StopEvent {
 public:
  StopEvent() = default;
  ~StopEvent() { Close(); }
  StopEvent(const StopEvent&) = delete;
  StopEvent& operator=(const StopEvent&) = delete;

  bool Create();  // false when the system gives none
  bool IsCreated() const { return handle_ != kNone; }
  void Signal();
  void Clear();  // after the thread has stopped, for the next one
  void Close();
  // Stopped when signalled within ms, else Quiet (Failed when waiting fails).
  PortWait Wait(int ms) const;
  std::intptr_t Native() const { return handle_; }

 private:
  static constexpr std::intptr_t kNone = -1;
  std::intptr_t handle_ = kNone;  // the descriptor or the event's handle
};

}  // namespace q4t

// Waiting on POSIX systems: an eventfd for the stop, poll for both.
#include <cerrno>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "link/PortDevice.h"

namespace q4t {

bool StopEvent::Create() {
  if (!IsCreated()) handle_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  return IsCreated();
}

void StopEvent::Signal() {
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = ::write(static_cast<int>(handle_), &one, sizeof one);
}

void StopEvent::Clear() {
  std::uint64_t drained = 0;
  [[maybe_unused]] const ssize_t read = ::read(static_cast<int>(handle_), &drained, sizeof drained);
}

void StopEvent::Close() {
  if (IsCreated()) ::close(static_cast<int>(handle_));
  handle_ = kNone;
}

PortWait StopEvent::Wait(int ms) const {
  pollfd wait{static_cast<int>(handle_), POLLIN, 0};
  const int ready = ::poll(&wait, 1, ms);
  if (ready < 0) return errno == EINTR ? PortWait::Quiet : PortWait::Failed;
  return (wait.revents & POLLIN) != 0 ? PortWait::Stopped : PortWait::Quiet;
}

PortWait PortDevice::WaitForBytes(const StopEvent* stop, int ms) {
  pollfd waits[2] = {{PollHandle(), POLLIN, 0}, {-1, POLLIN, 0}};
  if (stop != nullptr) waits[1].fd = static_cast<int>(stop->Native());
  if (waits[0].fd < 0) return stop != nullptr ? stop->Wait(ms) : PortWait::Quiet;
  const int ready = ::poll(waits, stop != nullptr ? 2 : 1, ms);
  if (ready < 0) return errno == EINTR ? PortWait::Quiet : PortWait::Failed;
  if ((waits[1].revents & POLLIN) != 0) return PortWait::Stopped;
  if ((waits[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) return PortWait::HungUp;
  return (waits[0].revents & POLLIN) != 0 ? PortWait::Arrived : PortWait::Quiet;
}

}  // namespace q4t

// Leaving a window or the program while a transfer runs: the keyboard must not
// be left in transfer mode. The receive thread is stopped first, so the
// answers are read here, each within a bounded time.
#include "link/KeyboardLink.h"

#include <algorithm>
#include <chrono>

#include "link/PortBytes.h"

namespace q4t {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds kLeaveAnswerTime{300};  // per unit; a unit that is gone is passed over

// Reads what has arrived; false when the port hung up.
bool TakeBytes(PortDevice& port, FrameAssembler& assembler, std::chrono::milliseconds wait) {
  if (port.WaitForBytes(nullptr, static_cast<int>(wait.count())) == PortWait::HungUp) return false;
  portbytes::appendArrived(port, assembler);
  return true;
}

}  // namespace

void KeyboardLink::LeaveTransfer() {
  if (!transferRunning()) return;
  StopReceiving();
  window_.StopTimer(kReplyTimerId);
  const std::shared_ptr<PortDevice> port = shared_.port;
  if (port && port->IsOpen()) {
    for (const std::uint8_t unitNumber : {unit::Mode1, unit::Mode2, unit::Mode3})
      if (!EndModeOf(*port, unitNumber)) break;
  }
  ForgetTransfer();
}

// ModeEnd to one unit and the wait for its answer; false when the port hung up.
bool KeyboardLink::EndModeOf(PortDevice& port, std::uint8_t unitNumber) {
  const std::optional<Frame> frame = BuildRequest(RequestKind::ModeEnd, 0, 0, unitNumber, table_, keyIndex_);
  FrameAssembler assembler;
  if (!frame || !TakeBytes(port, assembler, std::chrono::milliseconds(0))) return false;
  assembler.Clear();  // nothing that came before can answer this request
  port.Write(frame->data(), frame->size);
  const Clock::time_point deadline = Clock::now() + kLeaveAnswerTime;
  for (Clock::time_point now = Clock::now(); now < deadline; now = Clock::now()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
    if (!TakeBytes(port, assembler, std::max(left, std::chrono::milliseconds(1)))) return false;
    while (const std::optional<Frame> answer = assembler.NextFrame())
      if ((*answer)[2] == unitNumber) return true;
  }
  return true;
}

}  // namespace q4t

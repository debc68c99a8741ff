#include "link/KeyboardLink.h"

#include <system_error>

#include "link/PortBytes.h"

namespace q4t {

namespace {

constexpr int kPollCycleMs = 10;

}  // namespace

// A thread that ended by itself (its port was closed by another window) is
// joined and started anew. The stop event exists before the thread does.
bool KeyboardLink::StartReceiver() {
  if (receiver_.joinable() && !receiverExited_) return true;
  if (receiver_.joinable()) receiver_.join();
  if (!stopEvent_.Create()) return false;
  receiverExited_ = false;
  receiverRun_ = ++runsStarted_;
  try {
    receiver_ = std::thread(&KeyboardLink::ReceiveLoop, this, shared_.port, receiverRun_);
  } catch (const std::system_error&) {
    receiverRun_ = 0;
    return false;
  }
  return true;
}

// Waits for bytes and for the stop request together, takes at most one frame
// a cycle and posts what it means; only the link that sent the last request
// takes replies, so two linked windows never split one reply between them.
// A port that hung up ends the waiting once the frames it left are taken.
void KeyboardLink::ReceiveLoop(std::shared_ptr<PortDevice> port, unsigned run) {
  FrameAssembler assembler;
  std::uint32_t bufferedFor = 0;
  int waitMs = kPollCycleMs;
  while (port->IsOpen()) {
    const bool mine = shared_.lastSender.load() == this;
    const PortWait waited = mine ? port->WaitForBytes(&stopEvent_, waitMs) : stopEvent_.Wait(waitMs);
    if (waited == PortWait::Stopped || waited == PortWait::Failed) break;
    waitMs = kPollCycleMs;
    if (!mine || shared_.lastSender.load() != this) continue;
    TakeArrived(*port, assembler, bufferedFor);
    const std::optional<Frame> frame = assembler.NextFrame();
    if (!frame && waited == PortWait::HungUp) {
      window_.PostToWindow({{LinkEvent::DeviceLost}, Frame{}, run, 0});
      break;
    }
    if (!frame) continue;
    waitMs = 0;  // more frames may already be buffered
    if (const auto message = RecognizeReply(*frame, portbytes::kindOf(bufferedFor)))
      window_.PostToWindow({*message, *frame, run, bufferedFor});
  }
  stopEvent_.Clear();
  receiverExited_ = true;
}

// Bytes buffered while an earlier request was the last one are dropped: a
// frame is only cut from bytes read after its request was written.
void KeyboardLink::TakeArrived(PortDevice& port, FrameAssembler& assembler, std::uint32_t& bufferedFor) {
  std::lock_guard lock(shared_.portReading);
  const std::uint32_t request = lastRequest_.load();
  if (request != bufferedFor) {
    assembler.Clear();
    bufferedFor = request;
  }
  portbytes::appendArrived(port, assembler);
}

// Asks the receive thread to end, waits for it and closes its stop event.
void KeyboardLink::JoinReceiver() {
  if (receiver_.joinable()) {
    stopEvent_.Signal();
    receiver_.join();
  }
  stopEvent_.Close();
}

}  // namespace q4t

#include "link/KeyboardLink.h"

#include <cerrno>
#include <ctime>
#include <system_error>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "link/SerialPort.h"

namespace q4t {

namespace {

constexpr int kPollCycleMs = 10;
constexpr std::size_t kReadPiece = 80;
constexpr int kMaxSendings = 3;
constexpr int kAllKeys = kKeyCount;

std::string localDate() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[16];
  std::strftime(text, sizeof text, "%Y%m%d", &local);
  return text;
}

std::uint16_t nextBlock(std::uint16_t address, int bytes) {
  return static_cast<std::uint16_t>(address + bytes);
}

RequestKind kindOf(std::uint32_t request) { return static_cast<RequestKind>(request & 0xFF); }

bool hungUp(const pollfd& wait) { return (wait.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0; }

}  // namespace

LinkShared& ProcessLinkShared() {
  static LinkShared shared{nullptr, "", nullptr, {nullptr},
                           [] { return std::shared_ptr<PortDevice>(std::make_shared<CSerialPort>()); }, {}};
  return shared;
}

KeyboardLink::KeyboardLink(LinkWindow& window, KeyTable& table, LinkShared& shared)
    : window_(window), table_(table), shared_(shared), today_(localDate) {}

KeyboardLink::~KeyboardLink() {
  JoinReceiver();
  if (shared_.lastSender.load() == this) shared_.lastSender = nullptr;
  if (shared_.tcoOwnerForm == &window_) shared_.tcoOwnerForm = nullptr;
}

bool KeyboardLink::Initialise() {
  retryCount_ = 0;
  keyIndex_ = 0;
  blockKeys_ = 23;
  reply_.reset();
  lastFrame_.reset();
  verifying_ = false;
  tcoView_ = nullptr;
  downloadEnabled_ = uploadEnabled_ = readTcoEnabled_ = false;
  portEnabled_ = true;
  if (!shared_.port || !shared_.port->IsOpen()) return true;
  if (!OpenLink()) {
    window_.ShowStatus("ERROR: Connect to keyboard");
    return false;
  }
  downloadEnabled_ = uploadEnabled_ = portEnabled_ = true;
  readTcoEnabled_ = false;
  return true;
}

// ---- opening, the receive thread, aborting ----

bool KeyboardLink::OpenLink() {
  if (shared_.comPortName.empty()) shared_.comPortName = "COM1";
  if (!shared_.port) {
    shared_.port = shared_.makePort ? shared_.makePort() : nullptr;
    if (!shared_.port) {
      window_.ShowStatus("ERROR: Open COM Port");
      return false;
    }
  }
  if (!shared_.port->IsOpen()) {
    const std::string& name = shared_.comPortName;
    const bool opened = name.front() == '/' ? shared_.port->OpenPath(name)
                                            : shared_.port->Open(PortNumberFromName(name));
    if (!opened) {
      window_.ShowStatus("ERROR: Open COM Port");
      shared_.port.reset();
      return false;
    }
  }
  if (!StartReceiver()) {
    shared_.port->Close();
    return false;
  }
  phase_ = LinkPhase::Connecting;
  Send(RequestKind::ConnectUnit, 0, 0, unit::Memory);
  return true;
}

// A thread that ended by itself (its port was closed by another window) is
// joined and started anew. The stop event exists before the thread does.
bool KeyboardLink::StartReceiver() {
  if (receiver_.joinable() && !receiverExited_) return true;
  if (receiver_.joinable()) receiver_.join();
  if (stopEvent_ < 0) stopEvent_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (stopEvent_ < 0) return false;
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
    pollfd waits[2] = {{stopEvent_, POLLIN, 0}, {port->PollHandle(), POLLIN, 0}};
    const nfds_t count = mine && waits[1].fd >= 0 ? 2 : 1;
    if (::poll(waits, count, waitMs) < 0 && errno != EINTR) break;
    if (waits[0].revents & POLLIN) break;
    waitMs = kPollCycleMs;
    if (!mine || shared_.lastSender.load() != this) continue;
    TakeArrived(*port, assembler, bufferedFor);
    const std::optional<Frame> frame = assembler.NextFrame();
    if (!frame && count == 2 && hungUp(waits[1])) {
      window_.PostToWindow({{LinkEvent::DeviceLost}, Frame{}, run, 0});
      break;
    }
    if (!frame) continue;
    waitMs = 0;  // more frames may already be buffered
    if (const auto message = RecognizeReply(*frame, kindOf(bufferedFor)))
      window_.PostToWindow({*message, *frame, run, bufferedFor});
  }
  std::uint64_t drained = 0;
  [[maybe_unused]] const ssize_t read = ::read(stopEvent_, &drained, sizeof drained);
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
  std::uint8_t piece[kReadPiece];
  for (std::size_t n; (n = port.Read(piece, sizeof piece)) > 0;) assembler.Append(piece, n);
}

// Asks the receive thread to end, waits for it and closes its stop event.
void KeyboardLink::JoinReceiver() {
  if (receiver_.joinable()) {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(stopEvent_, &one, sizeof one);
    receiver_.join();
  }
  if (stopEvent_ >= 0) ::close(stopEvent_);
  stopEvent_ = -1;
}

void KeyboardLink::StopReceiving() {
  JoinReceiver();
  receiverRun_ = 0;
  window_.CloseTcoWindows();
  tcoView_ = nullptr;
  window_.Repaint();
}

void KeyboardLink::Abort() {
  StopReceiving();
  window_.StopTimer(kReplyTimerId);
  if (shared_.port) {
    if (shared_.port->IsOpen()) shared_.port->Close();
    shared_.port.reset();
    window_.ShowStatus("ERROR: COM port");
  }
  retryCount_ = 0;
  downloadEnabled_ = uploadEnabled_ = portEnabled_ = true;
  readTcoEnabled_ = false;
  if (transferKind_ == TransferKind::ReadTco) transferKind_ = TransferKind::None;
  verifying_ = false;
  licenseToWrite_.reset();
  reply_.reset();
  phase_ = LinkPhase::Unlinked;
}

// ---- sending ----

void KeyboardLink::Send(RequestKind kind, std::uint16_t address, std::uint8_t count,
                        std::uint8_t unitNumber) {
  reply_.reset();
  const std::optional<Frame> frame =
      BuildRequest(kind, address, count, unitNumber, table_, keyIndex_);
  if (!frame) return;
  SendBuilt(*frame, kind, address, count);
}

void KeyboardLink::SendBuilt(const Frame& frame, RequestKind kind, std::uint16_t address,
                             std::uint8_t count) {
  reply_.reset();
  lastAddress_ = address;
  lastCount_ = count;
  lastFrame_ = frame;
  shared_.lastSender = this;
  WriteLastFrame(kind);
}

// A repeat gets a new number too: an answer that arrived before it was
// written may be the late answer to an earlier sending.
void KeyboardLink::Repeat() {
  if (lastFrame_) WriteLastFrame(kindOf(lastRequest_.load()));
}

void KeyboardLink::WriteLastFrame(RequestKind kind) {
  NumberRequest(kind);
  if (!window_.StartTimer(kReplyTimerId, kReplyTimeoutMs)) return;
  if (shared_.port) shared_.port->Write(lastFrame_->data(), lastFrame_->size);
}

// Every frame written gets the next number, and what the port holds at that
// moment is thrown away: none of it can be the answer to this frame.
void KeyboardLink::NumberRequest(RequestKind kind) {
  constexpr int kMostPieces = 64;  // a device that never stops sending cannot hold us here
  std::lock_guard lock(shared_.portReading);
  lastRequest_ = ((lastRequest_.load() >> 8) + 1) << 8 | static_cast<std::uint32_t>(kind);
  if (!shared_.port) return;
  std::uint8_t piece[kReadPiece];
  for (int taken = 0; taken < kMostPieces; ++taken)
    if (shared_.port->Read(piece, sizeof piece) == 0) break;
}

bool KeyboardLink::ReplyChecksumOk() const { return reply_ && ChecksumOk(*reply_); }

void KeyboardLink::PostOwn(LinkEvent event, int first) {
  window_.PostToWindow({{event, first, 0}, Frame{}, 0, 0});
}

void KeyboardLink::OnReplyTimer() {
  window_.StopTimer(kReplyTimerId);
  if (++retryCount_ >= kMaxSendings) {
    window_.ShowStatus("ERROR: Transfer Timeout");
    Abort();
    return;
  }
  reply_.reset();
  Repeat();
}

void KeyboardLink::OnRepeatRequest() {
  window_.StopTimer(kReplyTimerId);
  if (++retryCount_ >= kMaxSendings) {
    window_.ShowStatus("ERROR: Transfer aborted");
    Abort();
    retryCount_ = 0;
    return;
  }
  Repeat();
}

// A reply that is too short for what was asked counts as a bad reply.
void KeyboardLink::Refuse() { PostOwn(LinkEvent::RepeatRequest); }

bool KeyboardLink::ReplyHolds(std::size_t dataBytes) {
  if (reply_ && reply_->dataSize() >= dataBytes) return true;
  Refuse();
  return false;
}

// ---- events ----

// Dropped: a reply from a receive thread that has been stopped since, one taken
// for an earlier request, a second one for a request already answered, and a
// status-0 reply from unit 9 whose tag is not the last request's (a late
// answer to an earlier request).
bool KeyboardLink::IsStale(const LinkPost& post) const {
  if (post.receiverRun == 0) return false;
  if (post.receiverRun != receiverRun_) return true;
  if (post.message.event == LinkEvent::DeviceLost) return false;
  if (post.request != lastRequest_.load() || post.request == answeredRequest_) return true;
  const Frame& reply = post.reply;
  return reply[4] == status::Ok && reply[2] == unit::Memory && lastFrame_ &&
         reply[3] != (*lastFrame_)[3];
}

void KeyboardLink::HandlePost(const LinkPost& post) {
  if (IsStale(post)) return;
  if (post.receiverRun != 0) {
    reply_ = post.reply;
    answeredRequest_ = post.request;
  }
  const int first = post.message.first, second = post.message.second;
  switch (post.message.event) {
    case LinkEvent::BlockWritten: OnBlockWritten(first); break;
    case LinkEvent::Connected: OnConnected(second); break;
    case LinkEvent::RepeatRequest: OnRepeatRequest(); break;
    case LinkEvent::BlockRead: OnBlockRead(first); break;
    case LinkEvent::CaliforniaLicenseChanged: OnLicenseChanged(first != 0); break;
    case LinkEvent::CountersRead: OnCountersRead(first); break;
    case LinkEvent::ModeSet: OnModeSet(first, second); break;
    case LinkEvent::WriteFinished: OnWriteFinished(); break;
    case LinkEvent::OwnersWritten: OnOwnersWritten(); break;
    case LinkEvent::StopWaiting: OnStopWaiting(); break;
    case LinkEvent::StartPhase: OnStartPhase(); break;
    case LinkEvent::DeviceLost: OnDeviceLost(); break;
  }
}

void KeyboardLink::OnConnected(int unitNumber) {
  window_.StopTimer(kReplyTimerId);
  retryCount_ = 0;
  keyIndex_ = 0;
  if (!ReplyChecksumOk()) return Refuse();
  window_.ShowStatus("OK: Keyboard connected");
  if (unitNumber == unit::Memory && licenseToWrite_) return SendLicenseWrite();
  switch (unitNumber) {
    case unit::Memory: Send(RequestKind::ConnectUnit, 0, 0, unit::Mode1); break;
    case unit::Mode1: Send(RequestKind::ConnectUnit, 0, 0, unit::Mode2); break;
    case unit::Mode2: Send(RequestKind::ConnectUnit, 0, 0, unit::Mode3); break;
    default:
      phase_ = LinkPhase::LeavingTransfer;
      Send(RequestKind::ModeEnd, 0, 0, unit::Mode1);
      break;
  }
}

void KeyboardLink::OnModeSet(int mode, int unitNumber) {
  window_.StopTimer(kReplyTimerId);
  if (!ReplyChecksumOk()) return Refuse();
  const RequestKind kind = mode == 0 ? RequestKind::ModeBegin : RequestKind::ModeEnd;
  if (unitNumber == unit::Mode1) return Send(kind, 0, 0, unit::Mode2);
  if (unitNumber == unit::Mode2) return Send(kind, 0, 0, unit::Mode3);
  reply_.reset();
  if (mode == 0) {
    PostOwn(LinkEvent::StartPhase);
  } else {
    phase_ = LinkPhase::Idle;
  }
}

void KeyboardLink::OnStopWaiting() {
  window_.StopTimer(kReplyTimerId);
  reply_.reset();
}

void KeyboardLink::SetAllEnabled(bool enabled) {
  downloadEnabled_ = uploadEnabled_ = portEnabled_ = readTcoEnabled_ = enabled;
}

void KeyboardLink::StartTransfer(TransferKind kind) {
  transferKind_ = kind;
  SetAllEnabled(false);
  window_.Repaint();
  keyIndex_ = 0;
  phase_ = LinkPhase::EnteringTransfer;
  Send(RequestKind::ModeBegin, 0, 0, unit::Mode1);
}

void KeyboardLink::Download() { StartTransfer(TransferKind::Download); }

void KeyboardLink::Upload() { StartTransfer(TransferKind::Upload); }

void KeyboardLink::ReadTco(TcoDisplay* view) {
  tcoView_ = view;
  shared_.tcoOwnerForm = &window_;
  StartTransfer(TransferKind::ReadTco);
}

void KeyboardLink::ForgetTcoView(const TcoDisplay* view) {
  if (tcoView_ == view) tcoView_ = nullptr;
}

void KeyboardLink::PortChosen(const std::optional<std::string>& chosenName) {
  if (chosenName) {
    if (!chosenName->empty()) {
      if (!shared_.comPortName.empty() && shared_.comPortName != *chosenName) Abort();
      shared_.comPortName = *chosenName;
    }
    if (OpenLink()) {
      uploadEnabled_ = downloadEnabled_ = true;
    } else {
      window_.ShowStatus("ERROR: Connect to keyboard");
    }
  }
  window_.RestoreChangedMarks();
}

void KeyboardLink::OnStartPhase() {
  phase_ = LinkPhase::DataPhase;
  switch (transferKind_) {
    case TransferKind::Download: Send(RequestKind::WriteValues, area::KeyValues, blockKeys_, unit::Memory); break;
    case TransferKind::Upload: Send(RequestKind::ReadValues, area::KeyValues, blockKeys_, unit::Memory); break;
    case TransferKind::ReadTco: Send(RequestKind::ReadInfo, area::SerialNumber, 16, unit::Memory); break;
    case TransferKind::None: break;
  }
}

// ---- data phases ----

void KeyboardLink::OnBlockWritten(int kind) {
  window_.StopTimer(kReplyTimerId);
  retryCount_ = 0;
  switch (static_cast<RequestKind>(kind)) {
    case RequestKind::WriteValues:
      if (keyIndex_ < kAllKeys)
        return Send(RequestKind::WriteValues, nextBlock(lastAddress_, 2 * blockKeys_), blockKeys_, unit::Memory);
      keyIndex_ = 0;
      return Send(RequestKind::WriteSizes, area::KeySizes, blockKeys_, unit::Memory);
    case RequestKind::WriteSizes:
      if (keyIndex_ < kAllKeys)
        return Send(RequestKind::WriteSizes, nextBlock(lastAddress_, blockKeys_), blockKeys_, unit::Memory);
      verifying_ = true;
      keyIndex_ = 0;
      return Send(RequestKind::ReadValues, area::KeyValues, blockKeys_, unit::Memory);
    case RequestKind::LicenseOn:
      window_.ShowStatus("OK: California driver license changed");
      return SendBuilt(BuildProgrammingDateWrite(today_()), RequestKind::WriteValues,
                       area::ProgrammingDate, area::DateBytes);
    default: break;
  }
}

void KeyboardLink::OnBlockRead(int kind) {
  window_.StopTimer(kReplyTimerId);
  if (!ReplyChecksumOk()) return Refuse();
  retryCount_ = 0;
  switch (static_cast<RequestKind>(kind)) {
    case RequestKind::ReadValues:
      if (keyIndex_ >= kAllKeys) {
        keyIndex_ = 0;
        return Send(RequestKind::ReadSizes, area::KeySizes, blockKeys_, unit::Memory);
      }
      if (!ReplyHolds(2u * lastCount_)) return;
      if (!TakeValueBlock()) break;
      return Send(RequestKind::ReadValues, nextBlock(lastAddress_, 2 * blockKeys_), blockKeys_, unit::Memory);
    case RequestKind::ReadSizes:
      if (keyIndex_ >= kAllKeys) return FinishKeyTable();
      if (!ReplyHolds(2u * lastCount_)) return;
      if (!TakeSizeBlock()) break;
      return Send(RequestKind::ReadSizes, nextBlock(lastAddress_, blockKeys_), blockKeys_, unit::Memory);
    case RequestKind::ReadInfo:
      if (keyIndex_ < kAllKeys) TakeInformation();
      return;
    default: return;
  }
  window_.ShowStatus("ERROR: Verify failed");
  Abort();
}

bool KeyboardLink::TakeValueBlock() {
  for (const std::uint8_t value : DecodeValues(*reply_)) {
    if (keyIndex_ >= kAllKeys) break;
    if (verifying_) {
      if (table_.entry(keyIndex_).value != value) return false;
    } else {
      table_.takeKeyboardValue(keyIndex_, value);
    }
    ++keyIndex_;
  }
  return true;
}

bool KeyboardLink::TakeSizeBlock() {
  for (const std::uint8_t sizes : DecodeSizes(*reply_)) {
    if (keyIndex_ >= kAllKeys) break;
    if (verifying_) {
      if (PackSizes(table_.entry(keyIndex_).size, table_.entry(keyIndex_ + 1).size) != sizes)
        return false;
    } else {
      const SizePair pair = UnpackSizes(sizes);
      table_.takeKeyboardSize(keyIndex_, pair.low);
      table_.takeKeyboardSize(keyIndex_ + 1, pair.high);
    }
    keyIndex_ += 2;
  }
  return true;
}

void KeyboardLink::FinishKeyTable() {
  window_.RefreshKeyTexts();
  window_.RelayoutKeys();
  if (verifying_) {
    verifying_ = false;
    window_.ShowStatus("OK: Download and verify successful");
    reply_.reset();
    return SendBuilt(BuildOwnerTableWrite(table_.counters()), RequestKind::WriteValues,
                     area::TcoOwners, area::TcoOwnerBytes);
  }
  window_.ShowStatus("OK: Upload successful");
  window_.SetModified(true);
  keyIndex_ = 0;
  Send(RequestKind::QueryUnit, 0, 0, unit::Memory);
}

void KeyboardLink::OnOwnersWritten() {
  window_.StopTimer(kReplyTimerId);
  reply_.reset();
  SendBuilt(BuildProgrammingDateWrite(today_()), RequestKind::WriteValues, area::ProgrammingDate,
            area::DateBytes);
}

void KeyboardLink::OnWriteFinished() {
  window_.StopTimer(kReplyTimerId);
  retryCount_ = 0;
  SetAllEnabled(true);
  if (transferKind_ == TransferKind::ReadTco) transferKind_ = TransferKind::None;
  window_.RefreshKeyStyles();
  window_.Repaint();
  phase_ = LinkPhase::LeavingTransfer;
  Send(RequestKind::ModeEnd, 0, 0, unit::Mode1);
}

void KeyboardLink::OnCountersRead(int kind) {
  window_.StopTimer(kReplyTimerId);
  retryCount_ = 0;
  if (static_cast<RequestKind>(kind) == RequestKind::QueryUnit) {
    const auto readings = DecodeCounters(*reply_);
    if (!readings) return Refuse();
    table_.takeCounterReadings(*readings);
    return Send(RequestKind::ReadOwners, area::TcoOwners, 12, unit::Memory);
  }
  const auto owners = DecodeOwners(*reply_);
  if (!owners) return Refuse();
  table_.takeCounterOwners(*owners);
  SetAllEnabled(true);
  window_.RefreshKeyStyles();
  window_.Repaint();
  if (tcoView_) tcoView_->ShowCounters(table_.counters());
  phase_ = LinkPhase::LeavingTransfer;
  Send(RequestKind::ModeEnd, 0, 0, unit::Mode1);
}

// One information field a step, by the address that was read.
void KeyboardLink::TakeInformation() {
  struct Step {
    std::uint16_t address;
    std::size_t bytes;
    void (TcoDisplay::*show)(const std::string&);
  };
  static constexpr Step kTextSteps[] = {
      {area::SerialNumber, area::SerialNumberBytes, &TcoDisplay::SetSerialNumber},
      {area::ManufactureDate, area::DateBytes, &TcoDisplay::SetManufactureDate},
      {area::ProgrammingDate, area::DateBytes, &TcoDisplay::SetProgrammingDate},
      {0, 0, &TcoDisplay::SetDeviceDetails},
  };
  if (lastAddress_ == area::LicenseFlag) {
    const DecodedLicense license = DecodeLicenseFlag(*reply_);
    if (license.status == DecodeStatus::TooShort) return Refuse();
    if (license.status == DecodeStatus::Ok && tcoView_) tcoView_->SetCaliforniaLicense(license.on);
    return Send(RequestKind::QueryUnit, 0, 0, unit::Memory);
  }
  for (const Step& step : kTextSteps) {
    if (step.address != lastAddress_) continue;
    const DecodedText text = DecodeText(*reply_, step.bytes);
    if (text.status == DecodeStatus::TooShort) return Refuse();
    if (text.status == DecodeStatus::Ok && tcoView_) (tcoView_->*step.show)(text.text);
    switch (step.address) {
      case area::SerialNumber: return Send(RequestKind::ReadInfo, area::ManufactureDate, 4, unit::Memory);
      case area::ManufactureDate: return Send(RequestKind::ReadInfo, area::ProgrammingDate, 4, unit::Memory);
      case area::ProgrammingDate: return Send(RequestKind::QueryUnit, 0, 0, unit::Details);
      default: return Send(RequestKind::ReadInfo, area::LicenseFlag, 1, unit::Memory);
    }
  }
}

// The licence write goes out once unit 9 has answered the Connect, so that
// answer is never taken as the write's acknowledgement.
void KeyboardLink::OnLicenseChanged(bool on) {
  window_.StopTimer(kReplyTimerId);
  if (!tcoView_) return;
  licenseToWrite_ = on ? RequestKind::LicenseOn : RequestKind::LicenseOff;
  if (!OpenLink()) {
    licenseToWrite_.reset();
    window_.ShowStatus("ERROR: Can not read California driver license");
  }
}

void KeyboardLink::SendLicenseWrite() {
  const RequestKind kind = *licenseToWrite_;
  licenseToWrite_.reset();
  keyIndex_ = kAllKeys;
  Send(kind, area::LicenseFlag, 1, unit::Memory);
}

void KeyboardLink::OnDeviceLost() { window_.DeviceWentAway(); }

}  // namespace q4t

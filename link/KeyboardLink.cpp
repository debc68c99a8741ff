#include "link/KeyboardLink.h"

#include <ctime>
#include <utility>

#include "link/PortBytes.h"
#include "link/SystemSerialPort.h"
#include "model/KeyboardLimits.h"

namespace q4t {

namespace {

constexpr int kMaxSendings = 3;

std::string localDate() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[16];
  std::strftime(text, sizeof text, "%Y%m%d", &local);
  return text;
}

}  // namespace

LinkShared& ProcessLinkShared() {
  static LinkShared shared{nullptr, "", nullptr, {nullptr},
                           [] { return std::shared_ptr<PortDevice>(std::make_shared<CSerialPort>()); }, {}};
  return shared;
}

KeyboardLink::KeyboardLink(LinkWindow& window, KeyTable& table, LinkShared& shared)
    : window_(window), table_(table), shared_(shared), today_(localDate), clock_([] { return std::time(nullptr); }) {}

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
    const bool opened = IsDevicePath(name) ? shared_.port->OpenPath(name)
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
  const bool keepReadEnded = transferKind_ == TransferKind::KeepBefore;
  if (keepReadEnded) transferKind_ = TransferKind::None;
  ForgetTransfer();
  if (keepReadEnded) window_.TableNotRead();
}

void KeyboardLink::Release() {
  if (transferRunning()) return;
  StopReceiving();
  window_.StopTimer(kReplyTimerId);
  if (shared_.port && shared_.port->IsOpen()) shared_.port->Close();
  shared_.port.reset();
  phase_ = LinkPhase::Unlinked;
}

// What a transfer leaves behind when it ends unfinished.
void KeyboardLink::ForgetTransfer() {
  verifying_ = false;
  endText_.clear();
  licenseToWrite_.reset();
  reply_.reset();
  beforeKept_ = keepWritten_ = false;
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
  if (lastFrame_) WriteLastFrame(portbytes::kindOf(lastRequest_.load()));
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
  std::uint8_t piece[portbytes::kReadPiece];
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
  // A damaged answer counts towards the three tries like a refusal.
  if (!ReplyChecksumOk()) return Refuse();
  retryCount_ = 0;
  keyIndex_ = 0;
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
    if (!endText_.empty()) {
      window_.ShowStatus(std::exchange(endText_, {}));
      if (std::exchange(keepWritten_, false)) KeepWrittenTable();
    }
    if (transferKind_ == TransferKind::KeepBefore) KeepReadTable();
  }
}

// A busy unit refuses the request: like an error reply it is repeated, and a
// request refused at every try ends the transfer instead of waiting for ever.
void KeyboardLink::OnStopWaiting() {
  reply_.reset();
  OnRepeatRequest();
}

void KeyboardLink::SetAllEnabled(bool enabled) {
  downloadEnabled_ = uploadEnabled_ = portEnabled_ = readTcoEnabled_ = enabled;
}

void KeyboardLink::StartTransfer(TransferKind kind) {
  transferKind_ = kind;
  keepWritten_ = kind == TransferKind::Download && std::exchange(beforeKept_, false);
  beforeKept_ = false;
  SetAllEnabled(false);
  window_.Repaint();
  keyIndex_ = 0;
  phase_ = LinkPhase::EnteringTransfer;
  Send(RequestKind::ModeBegin, 0, 0, unit::Mode1);
}

bool KeyboardLink::Download() {
  if (!unholdableFields(table_).empty()) return false;
  StartTransfer(TransferKind::Download);
  return true;
}

bool KeyboardLink::ReadBeforeDownload(const SnapshotStore* store, std::string sourceFile) {
  if (!unholdableFields(table_).empty()) return false;
  keepStore_ = store;
  keepSource_ = std::move(sourceFile);
  reading_ = {};
  uploaded_ = KeyTable();
  StartTransfer(TransferKind::KeepBefore);
  return true;
}

void KeyboardLink::Upload() {
  uploaded_ = table_;  // the links between keys are not read from the keyboard
  StartTransfer(TransferKind::Upload);
}

bool KeyboardLink::transferRunning() const {
  return phase_ == LinkPhase::EnteringTransfer || phase_ == LinkPhase::DataPhase ||
         phase_ == LinkPhase::LeavingTransfer;
}

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

}  // namespace q4t

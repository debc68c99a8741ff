// The link of one key layout window to the keyboard: opening the port and the
// receive thread, sending with the reply timer and repeats, the Connect and
// TransferMode sequences, the data phases of Upload, Download, Read TCO
// values and the licence change, the four command enable flags and the status
// texts. Everything but the receive thread runs on the window's thread. The
// control lives in KeyboardLink.cpp, the receive thread in LinkReceiver.cpp,
// the data phases in LinkTransfers.cpp.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "link/Frames.h"
#include "link/LinkShared.h"
#include "link/LinkWindow.h"
#include "link/StopEvent.h"
#include "model/KeyTable.h"
#include "model/SnapshotStore.h"

namespace q4t {

// KeepBefore reads what the keyboard holds before a Download writes.
enum class TransferKind { None, Upload, Download, ReadTco, KeepBefore };

// Where the link stands, for callers that wait for the end of a sequence.
enum class LinkPhase { Unlinked, Connecting, EnteringTransfer, DataPhase, LeavingTransfer, Idle };

class KeyboardLink {
 public:
  KeyboardLink(LinkWindow& window, KeyTable& table, LinkShared& shared);
  ~KeyboardLink();
  KeyboardLink(const KeyboardLink&) = delete;
  KeyboardLink& operator=(const KeyboardLink&) = delete;

  // Window initialisation: links this window too when another one has opened
  // the port. False when that link failed.
  bool Initialise();

  bool OpenLink();
  void StopReceiving();
  void Abort();
  // Gives the port up for another user of it (a roll-out), as Abort does but
  // without a word; nothing happens while a transfer runs.
  void Release();

  // Commands of the window. Download sends nothing and returns false while
  // the table holds a field the keyboard cannot hold (unholdableFields).
  bool Download();
  // The first step of a Download that keeps what the keyboard holds: reads
  // its serial number and its table, with Upload's requests, leaves transfer
  // mode and keeps the table in the store (a null store: only reads it, for a
  // dry run). Then the window hears TableKept, or TableNotRead, and answers
  // with Download() or leaves the link idle. A Download started right after a
  // table was kept keeps the verified table too, naming sourceFile
  // (WrittenKept). False, and nothing sent, when Download() would refuse.
  bool ReadBeforeDownload(const SnapshotStore* store, std::string sourceFile);
  void Upload();
  // After the window has closed every TCO window and opened a new one.
  void ReadTco(TcoDisplay* view);
  // The Port command after its dialog: the chosen name, or nothing when cancelled.
  void PortChosen(const std::optional<std::string>& chosenName);
  // The TCO view is going away: nothing may reach it any more.
  void ForgetTcoView(const TcoDisplay* view);

  // A transfer or the licence change has begun and not yet left transfer mode.
  bool transferRunning() const;
  // The window goes while a transfer runs: the receive thread stops and
  // ModeEnd goes to units 1, 2 and 3, each given a moment to answer, so that
  // the keyboard is out of transfer mode before the port closes. Nothing
  // happens when no transfer runs.
  void LeaveTransfer();

  // Called by the window for what it queued or timed.
  void HandlePost(const LinkPost& post);
  void OnReplyTimer();

  bool downloadEnabled() const { return downloadEnabled_; }
  bool uploadEnabled() const { return uploadEnabled_; }
  bool portEnabled() const { return portEnabled_; }
  bool readTcoEnabled() const { return readTcoEnabled_; }
  LinkPhase phase() const { return phase_; }
  TransferKind transferKind() const { return transferKind_; }
  int retryCount() const { return retryCount_; }

  // The date of programming written after a download; local date by default.
  void setDateSource(std::function<std::string()> today) { today_ = std::move(today); }
  // The time kept tables are named by; now by default.
  void setClock(std::function<std::time_t()> clock) { clock_ = std::move(clock); }

 private:
  void Send(RequestKind kind, std::uint16_t address, std::uint8_t count, std::uint8_t unit);
  void SendBuilt(const Frame& frame, RequestKind kind, std::uint16_t address, std::uint8_t count);
  void Repeat();
  void WriteLastFrame(RequestKind kind);
  bool ReplyChecksumOk() const;
  void PostOwn(LinkEvent event, int first = 0);
  void StartTransfer(TransferKind kind);
  void SetAllEnabled(bool enabled);
  bool StartReceiver();
  void JoinReceiver();
  void ReceiveLoop(std::shared_ptr<PortDevice> port, unsigned run);
  void TakeArrived(PortDevice& port, FrameAssembler& assembler, std::uint32_t& bufferedFor);
  void NumberRequest(RequestKind kind);
  bool IsStale(const LinkPost& post) const;

  void OnBlockWritten(int kind);
  void OnConnected(int unit);
  void OnRepeatRequest();
  void OnBlockRead(int kind);
  void OnLicenseChanged(bool on);
  void OnCountersRead(int kind);
  void OnModeSet(int mode, int unit);
  void OnWriteFinished();
  void OnOwnersWritten();
  void OnStopWaiting();
  void OnStartPhase();
  void OnDeviceLost();
  void SendLicenseWrite();
  bool EndModeOf(PortDevice& port, std::uint8_t unitNumber);
  void ForgetTransfer();
  KeyTable& Received();
  void TakeUploadedTable();
  void TakeSerialNumber();
  void KeepReadTable();
  void KeepWrittenTable();

  bool TakeValueBlock();
  bool TakeSizeBlock();
  void FinishKeyTable();
  bool TakeInformation();
  void SendInformationAfter(std::uint16_t address);
  bool ReplyHolds(std::size_t dataBytes);
  void Refuse();

  LinkWindow& window_;
  KeyTable& table_;
  // An Upload reads into this copy; the window's table takes it only whole.
  KeyTable uploaded_;
  LinkShared& shared_;

  // The last request sent: its number in the upper bits, its kind in the low byte,
  // so the receive thread reads both in one piece.
  std::atomic<std::uint32_t> lastRequest_{0};
  std::uint32_t answeredRequest_ = 0;  // one reply a request
  std::uint16_t lastAddress_ = 0;
  std::uint8_t lastCount_ = 0;
  std::optional<Frame> lastFrame_;
  int retryCount_ = 0;
  int keyIndex_ = 0;
  std::uint8_t blockKeys_ = 23;
  std::optional<Frame> reply_;
  TransferKind transferKind_ = TransferKind::None;
  LinkPhase phase_ = LinkPhase::Unlinked;
  bool verifying_ = false;
  // A Download's OK, shown only once the owner table and the date are written
  // and the keyboard has left transfer mode.
  std::string endText_;
  TcoDisplay* tcoView_ = nullptr;
  // The licence write waits for the answer to the Connect sent before it.
  std::optional<RequestKind> licenseToWrite_;
  bool downloadEnabled_ = false;
  bool uploadEnabled_ = false;
  bool portEnabled_ = true;
  bool readTcoEnabled_ = false;
  std::function<std::string()> today_;
  std::function<std::time_t()> clock_;

  // The Download that keeps the keyboard's table.
  const SnapshotStore* keepStore_ = nullptr;
  std::string keepSource_;
  KeyboardReading reading_;
  std::time_t keptAt_ = 0;  // when the table before was kept
  bool beforeKept_ = false;   // the next Download keeps its written table
  bool keepWritten_ = false;  // this Download keeps its written table

  std::thread receiver_;
  StopEvent stopEvent_;  // asks the receive thread to end
  std::atomic<bool> receiverExited_{false};
  unsigned receiverRun_ = 0;  // the run whose events are taken; 0 while none runs
  unsigned runsStarted_ = 0;
};

}  // namespace q4t

// The data phases of Upload, Download, Read TCO values and the licence
// change: which block follows which answer, and what each reply carries.
#include "link/KeyboardLink.h"

#include <utility>

#include "model/LabelRules.h"

namespace q4t {

namespace {

constexpr int kAllKeys = kKeyCount;

std::uint16_t nextBlock(std::uint16_t address, int bytes) {
  return static_cast<std::uint16_t>(address + bytes);
}

}  // namespace

void KeyboardLink::OnStartPhase() {
  phase_ = LinkPhase::DataPhase;
  switch (transferKind_) {
    case TransferKind::Download: Send(RequestKind::WriteValues, area::KeyValues, blockKeys_, unit::Memory); break;
    case TransferKind::Upload: Send(RequestKind::ReadValues, area::KeyValues, blockKeys_, unit::Memory); break;
    case TransferKind::ReadTco:
    case TransferKind::KeepBefore: Send(RequestKind::ReadInfo, area::SerialNumber, 16, unit::Memory); break;
    case TransferKind::None: break;
  }
}

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
      if (transferKind_ == TransferKind::KeepBefore) return TakeSerialNumber();
      // An answer that fits no step of the read counts as an error reply.
      if (keyIndex_ >= kAllKeys || !TakeInformation()) Refuse();
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
      uploaded_.takeKeyboardValue(keyIndex_, value);
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
      uploaded_.takeKeyboardSize(keyIndex_, pair.low);
      uploaded_.takeKeyboardSize(keyIndex_ + 1, pair.high);
    }
    keyIndex_ += 2;
  }
  return true;
}

void KeyboardLink::FinishKeyTable() {
  if (verifying_) {
    window_.RefreshKeyTexts();
    window_.RelayoutKeys();
    verifying_ = false;
    endText_ = "OK: Download and verify successful";
    reply_.reset();
    return SendBuilt(BuildOwnerTableWrite(table_.counters()), RequestKind::WriteValues,
                     area::TcoOwners, area::TcoOwnerBytes);
  }
  keyIndex_ = 0;
  Send(RequestKind::QueryUnit, 0, 0, unit::Memory);
}

// Upload: the keyboard's table has arrived whole, counters and owners included.
// Labels stay only on keys the keyboard holds as they were.
void KeyboardLink::TakeUploadedTable() {
  keepLabelsOfUnchangedKeys(table_, uploaded_);
  const KeyTable previous = std::exchange(table_, uploaded_);
  window_.RefreshKeyTexts();
  window_.RelayoutKeys();
  window_.ShowStatus("OK: Upload successful");
  window_.SetModified(true);
  window_.UploadTaken(previous);
}

KeyTable& KeyboardLink::Received() {
  const bool readsOwnTable = transferKind_ == TransferKind::Upload || transferKind_ == TransferKind::KeepBefore;
  return readsOwnTable ? uploaded_ : table_;
}

// The read before a Download starts with the serial number, which names the
// folder its table is kept in, then reads the table as Upload does.
void KeyboardLink::TakeSerialNumber() {
  const DecodedText serial = DecodeText(*reply_, area::SerialNumberBytes);
  if (serial.status == DecodeStatus::TooShort) return Refuse();
  reading_.serialNumber = serial.status == DecodeStatus::Ok ? serial.text : std::string();
  keyIndex_ = 0;
  Send(RequestKind::ReadValues, area::KeyValues, blockKeys_, unit::Memory);
}

// The keyboard has left transfer mode: its table is kept, flushed to disk,
// before the window may start the write.
void KeyboardLink::KeepReadTable() {
  transferKind_ = TransferKind::None;
  reading_.table = uploaded_;
  reading_.table.applyLoadedShapes();
  keptAt_ = clock_();
  const SavedSnapshot kept =
      keepStore_ ? keepStore_->save(reading_.serialNumber, SnapshotKind::Before, reading_.table, keptAt_)
                 : SavedSnapshot{fileFailure("a dry run keeps nothing"), {}};
  beforeKept_ = kept.result.ok;
  window_.TableKept(reading_, kept);
}

// Named by the time of the table kept before it, so the two read as a pair
// however long the preview was up.
void KeyboardLink::KeepWrittenTable() {
  window_.WrittenKept(
      keepStore_->save(reading_.serialNumber, SnapshotKind::Written, table_, keptAt_, keepSource_));
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
    Received().takeCounterReadings(*readings);
    return Send(RequestKind::ReadOwners, area::TcoOwners, 12, unit::Memory);
  }
  const auto owners = DecodeOwners(*reply_);
  if (!owners) return Refuse();
  Received().takeCounterOwners(*owners);
  if (transferKind_ == TransferKind::Upload) TakeUploadedTable();
  SetAllEnabled(true);
  window_.RefreshKeyStyles();
  window_.Repaint();
  if (tcoView_) tcoView_->ShowCounters(table_.counters());
  phase_ = LinkPhase::LeavingTransfer;
  Send(RequestKind::ModeEnd, 0, 0, unit::Mode1);
}

// One information field a step, by the address that was read; false when
// the address is none of the steps.
bool KeyboardLink::TakeInformation() {
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
    if (license.status == DecodeStatus::TooShort) {
      Refuse();
    } else {
      if (license.status == DecodeStatus::Ok && tcoView_) tcoView_->SetCaliforniaLicense(license.on);
      Send(RequestKind::QueryUnit, 0, 0, unit::Memory);
    }
    return true;
  }
  for (const Step& step : kTextSteps) {
    if (step.address != lastAddress_) continue;
    const DecodedText text = DecodeText(*reply_, step.bytes);
    if (text.status == DecodeStatus::TooShort) {
      Refuse();
      return true;
    }
    if (text.status == DecodeStatus::Ok && tcoView_) (tcoView_->*step.show)(text.text);
    SendInformationAfter(step.address);
    return true;
  }
  return false;
}

void KeyboardLink::SendInformationAfter(std::uint16_t address) {
  switch (address) {
    case area::SerialNumber: return Send(RequestKind::ReadInfo, area::ManufactureDate, 4, unit::Memory);
    case area::ManufactureDate: return Send(RequestKind::ReadInfo, area::ProgrammingDate, 4, unit::Memory);
    case area::ProgrammingDate: return Send(RequestKind::QueryUnit, 0, 0, unit::Details);
    default: return Send(RequestKind::ReadInfo, area::LicenseFlag, 1, unit::Memory);
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
  phase_ = LinkPhase::DataPhase;
  Send(kind, area::LicenseFlag, 1, unit::Memory);
}

// While a transfer runs its time-outs end it; an idle link would go on
// showing the last text on a dead device, so it ends as an abort does.
void KeyboardLink::OnDeviceLost() {
  window_.DeviceWentAway();
  if (phase_ == LinkPhase::Idle) Abort();
}

}  // namespace q4t

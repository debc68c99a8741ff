#include "link/Frames.h"

#include <algorithm>

namespace q4t {

namespace {

struct KindLayout {
  std::uint8_t tag;
  std::uint8_t command;
};

KindLayout layoutOf(RequestKind kind, std::uint8_t unitNumber) {
  switch (kind) {
    case RequestKind::ModeBegin:
    case RequestKind::ModeEnd: return {tag::Control, command::TransferMode};
    case RequestKind::ConnectUnit: return {tag::Control, command::Connect};
    case RequestKind::QueryUnit:
      return {unitNumber == unit::Details ? tag::DeviceQuery : tag::Counters, command::Query};
    case RequestKind::ReadValues:
    case RequestKind::ReadInfo: return {tag::ReadData, command::ReadMemory};
    case RequestKind::ReadOwners: return {tag::Counters, command::ReadMemory};
    case RequestKind::ReadSizes: return {tag::ReadSizes, command::ReadMemory};
    case RequestKind::WriteValues:
    case RequestKind::WriteSizes:
    case RequestKind::LicenseOff:
    case RequestKind::LicenseOn: return {tag::Control, command::WriteMemory};
  }
  return {0, 0};
}

class FrameWriter {
 public:
  FrameWriter(std::uint8_t unitNumber, std::uint8_t tagNumber, std::uint8_t commandCode) {
    frame_.size = 2;
    frame_.bytes[0] = kFrameStart;
    put(unitNumber);
    put(tagNumber);
    put(commandCode);
  }
  void put(std::uint8_t byte) {
    if (frame_.size < kMaxFrameBytes) frame_.bytes[frame_.size] = byte;
    ++frame_.size;
  }
  void putAddress(std::uint16_t address) {
    put(static_cast<std::uint8_t>(address >> 8));
    put(static_cast<std::uint8_t>(address & 0xFF));
  }
  std::size_t sizeWithChecksum() const { return frame_.size + 1; }
  Frame finish() {
    put(0);
    frame_.bytes[1] = static_cast<std::uint8_t>(frame_.size);
    frame_.bytes[frame_.size - 1] = Checksum(frame_.data(), frame_.size);
    return frame_;
  }

 private:
  Frame frame_;
};

std::uint8_t lowByte(std::int32_t value) { return static_cast<std::uint8_t>(value & 0xFF); }

std::uint8_t nibble(KeySize size) { return static_cast<std::uint8_t>(static_cast<std::int32_t>(size) & 0x0F); }

}  // namespace

std::uint8_t Checksum(const std::uint8_t* bytes, std::size_t n) {
  if (n < 2) return 0;
  unsigned sum = 0;
  for (std::size_t i = 0; i + 1 < n; ++i) sum += bytes[i];
  return static_cast<std::uint8_t>(0x100 - (sum & 0xFF));
}

bool ChecksumOk(const Frame& frame) {
  if (frame.size < 2) return false;
  unsigned sum = 0;
  for (std::size_t i = 0; i < frame.size; ++i) sum += frame[i];
  return (sum & 0xFF) == 0;
}

std::uint8_t PackSizes(KeySize low, KeySize high) {
  return static_cast<std::uint8_t>(nibble(high) << 4 | nibble(low));
}

SizePair UnpackSizes(std::uint8_t byte) {
  if (byte == 0xFF) return {KeySize::Single, KeySize::Single};
  return {static_cast<KeySize>(byte & 0x0F), static_cast<KeySize>(byte >> 4)};
}

std::optional<Frame> BuildRequest(RequestKind kind, std::uint16_t address, std::uint8_t count,
                                  std::uint8_t unitNumber, const KeyTable& table, int& keyIndex) {
  const KindLayout layout = layoutOf(kind, unitNumber);
  FrameWriter writer(unitNumber, layout.tag, layout.command);
  int advanced = keyIndex;
  switch (kind) {
    case RequestKind::ModeBegin: writer.put(0x00); break;
    case RequestKind::ModeEnd: writer.put(0x01); break;
    case RequestKind::ConnectUnit: writer.put(0x01); break;
    case RequestKind::QueryUnit:
      if (unitNumber != unit::Details) writer.put(0x99);
      break;
    case RequestKind::ReadValues:
    case RequestKind::ReadInfo:
    case RequestKind::ReadOwners:
    case RequestKind::ReadSizes:
      writer.putAddress(address);
      writer.put(static_cast<std::uint8_t>(2 * count));
      break;
    case RequestKind::LicenseOff:
    case RequestKind::LicenseOn:
      writer.putAddress(address);
      writer.put(kind == RequestKind::LicenseOn ? 0x01 : 0x00);
      break;
    case RequestKind::WriteValues:
      writer.putAddress(address);
      for (int n = 0; n < count && advanced >= 0 && advanced < kKeyCount; ++n, ++advanced) {
        writer.put(0x00);
        writer.put(lowByte(table.entry(advanced).value));
      }
      break;
    case RequestKind::WriteSizes:
      writer.putAddress(address);
      for (int n = 0; n < count && advanced >= 0 && advanced + 1 < kKeyCount; ++n, advanced += 2)
        writer.put(PackSizes(table.entry(advanced).size, table.entry(advanced + 1).size));
      break;
  }
  if (writer.sizeWithChecksum() > kMaxRequestBytes) return std::nullopt;
  keyIndex = advanced;
  return writer.finish();
}

Frame BuildOwnerTableWrite(const TcoCounterTable& counters) {
  FrameWriter writer(unit::Memory, tag::OwnerWrite, command::WriteMemory);
  writer.putAddress(area::TcoOwners);
  for (int c = kFirstKeyCounter; c <= kLastKeyCounter; ++c)
    writer.put(lowByte(counters[static_cast<std::size_t>(c)].ownerKey));
  return writer.finish();
}

Frame BuildProgrammingDateWrite(std::string_view date) {
  FrameWriter writer(unit::Memory, tag::DateWrite, command::WriteMemory);
  writer.putAddress(area::ProgrammingDate);
  for (std::size_t i = 0; i < area::DateBytes; ++i)
    writer.put(i < date.size() ? static_cast<std::uint8_t>(date[i]) : '0');
  return writer.finish();
}

void FrameAssembler::Append(const std::uint8_t* bytes, std::size_t n) {
  buffer_.insert(buffer_.end(), bytes, bytes + n);
}

// A wrong start byte, or a length too short for a frame, loses the whole
// buffer. The start byte is tested as soon as one byte is there, so that the
// lone tail of a discarded reply cannot spoil the next reply too.
std::optional<Frame> FrameAssembler::NextFrame() {
  if (!buffer_.empty() && buffer_[0] != kFrameStart) buffer_.clear();
  if (buffer_.size() < 2) return std::nullopt;
  const std::size_t length = buffer_[1];
  if (length < kFrameOverhead) {
    buffer_.clear();
    return std::nullopt;
  }
  if (length > buffer_.size()) return std::nullopt;
  Frame frame;
  frame.size = length;
  std::copy_n(buffer_.begin(), length, frame.bytes.begin());
  buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(length));
  return frame;
}

void FrameAssembler::Clear() { buffer_.clear(); }

namespace {

bool isModeUnit(std::uint8_t u) { return u == unit::Mode1 || u == unit::Mode2 || u == unit::Mode3; }

int kindNumber(RequestKind kind) { return static_cast<int>(kind); }

std::optional<LinkMessage> modeUnitReply(std::uint8_t u, RequestKind last) {
  switch (last) {
    case RequestKind::ModeEnd: return LinkMessage{LinkEvent::ModeSet, 1, u};
    case RequestKind::ModeBegin: return LinkMessage{LinkEvent::ModeSet, 0, u};
    case RequestKind::ConnectUnit: return LinkMessage{LinkEvent::Connected, kindNumber(RequestKind::ConnectUnit), u};
    default: return std::nullopt;
  }
}

std::optional<LinkMessage> memoryUnitReply(std::uint8_t tagNumber, RequestKind last) {
  auto event = [](LinkEvent e, RequestKind kind) { return LinkMessage{e, kindNumber(kind), 0}; };
  switch (last) {
    case RequestKind::ConnectUnit: return LinkMessage{LinkEvent::Connected, kindNumber(last), unit::Memory};
    case RequestKind::WriteValues:
      if (tagNumber == tag::Control) return event(LinkEvent::BlockWritten, RequestKind::WriteValues);
      if (tagNumber == tag::DateWrite || tagNumber == 7) return LinkMessage{LinkEvent::WriteFinished};
      if (tagNumber == tag::OwnerWrite) return LinkMessage{LinkEvent::OwnersWritten};
      return std::nullopt;
    case RequestKind::LicenseOn:
    case RequestKind::LicenseOff:
      if (tagNumber == tag::Control) return event(LinkEvent::BlockWritten, RequestKind::LicenseOn);
      break;
    case RequestKind::WriteSizes:
      if (tagNumber == tag::Control) return event(LinkEvent::BlockWritten, RequestKind::WriteSizes);
      break;
    case RequestKind::ReadValues:
      if (tagNumber == tag::ReadData) return event(LinkEvent::BlockRead, RequestKind::ReadValues);
      break;
    case RequestKind::ReadInfo:
      if (tagNumber == tag::ReadData) return event(LinkEvent::BlockRead, RequestKind::ReadInfo);
      break;
    case RequestKind::ReadSizes:
      if (tagNumber == tag::ReadSizes) return event(LinkEvent::BlockRead, RequestKind::ReadSizes);
      break;
    case RequestKind::ReadOwners:
      if (tagNumber == tag::Counters) return event(LinkEvent::CountersRead, RequestKind::ReadOwners);
      break;
    default: break;
  }
  if (tagNumber == tag::Counters) return event(LinkEvent::CountersRead, RequestKind::QueryUnit);
  return std::nullopt;
}

}  // namespace

std::optional<LinkMessage> RecognizeReply(const Frame& reply, RequestKind last) {
  if (reply.size < kFrameOverhead) return std::nullopt;
  const std::uint8_t u = reply[2], tagNumber = reply[3], code = reply[4];
  if (code == status::Ok) {
    if (isModeUnit(u)) return tagNumber == 0 ? std::nullopt : modeUnitReply(u, last);
    if (u == unit::Memory) return memoryUnitReply(tagNumber, last);
    if (u == unit::Details && tagNumber == tag::DeviceQuery)
      return LinkMessage{LinkEvent::BlockRead, kindNumber(RequestKind::ReadInfo), 0};
    return std::nullopt;
  }
  // A busy main unit refuses the request, the greeting too: it is asked
  // again, and busy at every try ends the transfer as error replies do.
  if (code == status::Busy) {
    if (isModeUnit(u))
      if (auto message = modeUnitReply(u, last)) return message;
    return LinkMessage{LinkEvent::StopWaiting};
  }
  // Every other status refuses the request, the keyboard's known error codes
  // and any other: three of them end the transfer rather than the time-outs.
  return LinkMessage{LinkEvent::RepeatRequest};
}

std::vector<std::uint8_t> DecodeValues(const Frame& reply) {
  std::vector<std::uint8_t> values;
  for (std::size_t p = 0; 2 * p + 1 < reply.dataSize(); ++p) values.push_back(reply[kDataOffset + 2 * p + 1]);
  return values;
}

std::vector<std::uint8_t> DecodeSizes(const Frame& reply) {
  return {reply.bytes.begin() + kDataOffset,
          reply.bytes.begin() + static_cast<std::ptrdiff_t>(kDataOffset + reply.dataSize())};
}

std::optional<std::array<std::uint8_t, area::TcoOwnerBytes>> DecodeOwners(const Frame& reply) {
  if (reply.dataSize() < area::TcoOwnerBytes) return std::nullopt;
  std::array<std::uint8_t, area::TcoOwnerBytes> owners{};
  std::copy_n(reply.bytes.begin() + kDataOffset, owners.size(), owners.begin());
  return owners;
}

std::optional<std::array<std::int32_t, kCounterSlotCount>> DecodeCounters(const Frame& reply) {
  if (reply.size < kCounterReplyBytes) return std::nullopt;
  std::array<std::int32_t, kCounterSlotCount> readings{};
  for (std::size_t k = 0; k < readings.size(); ++k) {
    std::uint32_t reading = 0;
    for (std::size_t i = 0; i < 4; ++i) reading = reading << 8 | reply[6 + 4 * k + i];
    readings[k] = static_cast<std::int32_t>(reading);
  }
  return readings;
}

DecodedText DecodeText(const Frame& reply, std::size_t bytes) {
  const std::size_t available = reply.dataSize();
  if (available < bytes) return {DecodeStatus::TooShort, {}};
  const std::size_t taken = bytes == 0 ? available : bytes;
  std::string kept;
  for (std::size_t i = 0; i < taken; ++i)
    if (reply[kDataOffset + i] != 0xFF) kept.push_back(static_cast<char>(reply[kDataOffset + i]));
  if (kept.empty()) return {DecodeStatus::NotSet, {}};
  return {DecodeStatus::Ok, kept.substr(0, kept.find('\0'))};
}

DecodedLicense DecodeLicenseFlag(const Frame& reply) {
  if (reply.dataSize() < 1) return {DecodeStatus::TooShort, false};
  const std::uint8_t flag = reply[kDataOffset];
  if (flag > 0x01) return {DecodeStatus::NotSet, false};
  return {DecodeStatus::Ok, flag == 0x01};
}

}  // namespace q4t

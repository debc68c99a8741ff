// Everything on the wire between the tool and the keyboard: request and reply
// frames, the checksum, the keyboard's memory areas, how the receive stream is
// cut into frames and how a reply is recognised against the last request.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/LinkEvent.h"
#include "model/KeyTable.h"

namespace q4t {

constexpr std::uint8_t kFrameStart = 0x02;
constexpr std::size_t kMaxFrameBytes = 255;
constexpr std::size_t kMaxRequestBytes = 79;  // 80 bytes or more are never sent
constexpr std::size_t kFrameOverhead = 6;     // start, length, unit, tag, command/status, checksum
constexpr std::size_t kDataOffset = 5;

// One frame, request or reply, held by value so that it can travel with an event.
struct Frame {
  std::array<std::uint8_t, kMaxFrameBytes> bytes{};
  std::size_t size = 0;

  std::uint8_t operator[](std::size_t i) const { return bytes[i]; }
  const std::uint8_t* data() const { return bytes.data(); }
  std::size_t dataSize() const { return size > kFrameOverhead ? size - kFrameOverhead : 0; }
  std::vector<std::uint8_t> toVector() const { return {bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size)}; }
};

enum class RequestKind : std::uint8_t {
  ModeBegin = 0,
  ModeEnd = 1,
  ConnectUnit = 3,
  QueryUnit = 7,
  ReadValues = 9,
  WriteValues = 10,
  ReadInfo = 94,
  ReadOwners = 95,
  LicenseOff = 96,
  LicenseOn = 97,
  ReadSizes = 98,
  WriteSizes = 99,
};

namespace unit {
constexpr std::uint8_t Details = 0;
constexpr std::uint8_t Mode1 = 1;
constexpr std::uint8_t Mode2 = 2;
constexpr std::uint8_t Mode3 = 3;
constexpr std::uint8_t Memory = 9;
}  // namespace unit

namespace command {
constexpr std::uint8_t TransferMode = 1;
constexpr std::uint8_t Connect = 3;
constexpr std::uint8_t Query = 7;
constexpr std::uint8_t ReadMemory = 9;
constexpr std::uint8_t WriteMemory = 10;
}  // namespace command

namespace tag {
constexpr std::uint8_t Control = 1;      // TransferMode, Connect, value, size and licence writes
constexpr std::uint8_t ReadData = 2;     // key values, information fields
constexpr std::uint8_t ReadSizes = 3;
constexpr std::uint8_t DeviceQuery = 4;  // Query to unit 0
constexpr std::uint8_t Counters = 5;     // Query to unit 9, owner table read
constexpr std::uint8_t DateWrite = 6;
constexpr std::uint8_t OwnerWrite = 8;
}  // namespace tag

namespace status {
constexpr std::uint8_t Ok = 0;
constexpr std::uint8_t Busy = 35;
}  // namespace status

namespace area {
constexpr std::uint16_t KeyValues = 0x0C0A;  // 92 pairs (0x00, value)
constexpr std::uint16_t TcoOwners = 0x0E06;  // 24 owner bytes for counters 6..29
constexpr std::uint16_t SerialNumber = 0x0E40;  // 32 bytes text
constexpr std::uint16_t ManufactureDate = 0x0E60;  // 8 bytes text
constexpr std::uint16_t ProgrammingDate = 0x0E68;  // 8 ASCII digits
constexpr std::uint16_t LicenseFlag = 0x0E90;  // one byte: 0x00 off, 0x01 on, 0xFF not set
constexpr std::uint16_t KeySizes = 0x0EA0;  // 46 bytes, two keys per byte
constexpr std::size_t KeyValueBytes = 184;
constexpr std::size_t TcoOwnerBytes = 24;
constexpr std::size_t SerialNumberBytes = 32;
constexpr std::size_t DateBytes = 8;
constexpr std::size_t KeySizeBytes = 46;
}  // namespace area

constexpr std::size_t kCounterReplyBytes = 127;

// Two's complement of the sum of the first n - 1 bytes; 0 when n < 2.
std::uint8_t Checksum(const std::uint8_t* bytes, std::size_t n);

// All bytes of the frame, checksum included, add up to 0 modulo 256.
bool ChecksumOk(const Frame& frame);

// Builds the request of the given kind. For WriteValues and WriteSizes the key
// data come from the table starting at keyIndex, which advances by the keys
// packed (n for WriteValues, 2n for WriteSizes; never past the 92 keys).
// Nothing when the frame would be 80 bytes or longer.
std::optional<Frame> BuildRequest(RequestKind kind, std::uint16_t address, std::uint8_t count,
                                  std::uint8_t unit, const KeyTable& table, int& keyIndex);

// WriteMemory of the 24 owner bytes of slots 6..29 at 0x0E06, tag 8: 32 bytes.
Frame BuildOwnerTableWrite(const TcoCounterTable& counters);

// WriteMemory of the 8 date digits ("%Y%m%d") at 0x0E68, tag 6: 16 bytes.
Frame BuildProgrammingDateWrite(std::string_view date);

// Size byte: high nibble the size of key 2j + 1, low nibble key 2j.
std::uint8_t PackSizes(KeySize low, KeySize high);
struct SizePair {
  KeySize low;
  KeySize high;
};
SizePair UnpackSizes(std::uint8_t byte);  // 0xFF gives two single keys

// Cuts frames out of the received byte stream, one per call.
class FrameAssembler {
 public:
  void Append(const std::uint8_t* bytes, std::size_t n);
  std::optional<Frame> NextFrame();
  void Clear();
  std::size_t buffered() const { return buffer_.size(); }

 private:
  std::vector<std::uint8_t> buffer_;
};

// The event that a reply means after a request of the given kind, or nothing
// when the reply is to be dropped. The checksum is not tested here.
std::optional<LinkMessage> RecognizeReply(const Frame& reply, RequestKind lastKind);

enum class DecodeStatus { Ok, NotSet, TooShort };

// The second byte of each complete pair of the reply data.
std::vector<std::uint8_t> DecodeValues(const Frame& reply);
// The size bytes of the reply data.
std::vector<std::uint8_t> DecodeSizes(const Frame& reply);
// Owner bytes of counters 6..29; nothing when the reply is shorter than 30 bytes.
std::optional<std::array<std::uint8_t, area::TcoOwnerBytes>> DecodeOwners(const Frame& reply);
// Counter readings 0..29 (big-endian, taken as signed 32 bits); nothing below 127 bytes.
std::optional<std::array<std::int32_t, kCounterSlotCount>> DecodeCounters(const Frame& reply);

struct DecodedText {
  DecodeStatus status = DecodeStatus::NotSet;
  std::string text;
};
// An information text of the given number of data bytes (0: all the reply
// holds). Every 0xFF byte is removed; nothing left means not set; otherwise the
// text ends at the first 0x00.
DecodedText DecodeText(const Frame& reply, std::size_t bytes);

struct DecodedLicense {
  DecodeStatus status = DecodeStatus::NotSet;
  bool on = false;
};
// The licence byte at frame offset 5: 0x00 off, 0x01 on, anything else not set.
DecodedLicense DecodeLicenseFlag(const Frame& reply);

}  // namespace q4t

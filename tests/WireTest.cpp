#include <gtest/gtest.h>

#include "link/Frames.h"
#include "tests/FakeKeyboard.h"
#include "tests/TestTables.h"

namespace q4t {
namespace {

using testing::hex;

Frame frameOf(std::vector<std::uint8_t> bytes, bool withChecksum = true) {
  if (withChecksum) {
    bytes.push_back(0);
    bytes.back() = Checksum(bytes.data(), bytes.size());
  }
  Frame frame;
  frame.size = bytes.size();
  std::copy(bytes.begin(), bytes.end(), frame.bytes.begin());
  return frame;
}

std::string built(RequestKind kind, std::uint16_t address, std::uint8_t count, std::uint8_t u) {
  const KeyTable table = testing::gridTable();
  int keyIndex = 0;
  const auto frame = BuildRequest(kind, address, count, u, table, keyIndex);
  return frame ? hex(*frame) : "none";
}

TEST(WireRequests, ExactBytesOfTheFixedRequests) {
  EXPECT_EQ(built(RequestKind::ConnectUnit, 0, 0, 9), "02 07 09 01 03 01 E9");
  EXPECT_EQ(built(RequestKind::ModeBegin, 0, 0, 1), "02 07 01 01 01 00 F4");
  EXPECT_EQ(built(RequestKind::QueryUnit, 0, 0, 0), "02 06 00 04 07 ED");
  EXPECT_EQ(built(RequestKind::QueryUnit, 0, 0, 9), "02 07 09 05 07 99 49");
  EXPECT_EQ(built(RequestKind::ReadValues, 0x0C0A, 23, 9), "02 09 09 02 09 0C 0A 2E 9D");
  EXPECT_EQ(built(RequestKind::LicenseOn, 0x0E90, 1, 9).substr(0, 23), "02 09 09 01 0A 0E 90 01");
}

TEST(WireRequests, BlockWritesPackKeysAndAdvanceTheKeyIndex) {
  KeyTable table = testing::gridTable();
  table.mergeRight(46);
  table.setValue(47, 300);  // a covered key's value goes out as its low byte
  int keyIndex = 23;
  const auto values = BuildRequest(RequestKind::WriteValues, 0x0C38, 23, 9, table, keyIndex);
  ASSERT_TRUE(values);
  EXPECT_EQ(values->size, 54u);
  EXPECT_EQ(keyIndex, 46);
  EXPECT_EQ((*values)[7], 0x00);
  EXPECT_EQ((*values)[8], 24);
  EXPECT_TRUE(ChecksumOk(*values));
  keyIndex = 46;
  const auto sizes = BuildRequest(RequestKind::WriteSizes, 0x0EB7, 23, 9, table, keyIndex);
  ASSERT_TRUE(sizes);
  EXPECT_EQ(sizes->size, 31u);
  EXPECT_EQ(keyIndex, 92);
  EXPECT_EQ((*sizes)[7], 0x02);  // key 46 double right, key 47 covered
  EXPECT_EQ(BuildOwnerTableWrite(table.counters()).size, 32u);
  const Frame date = BuildProgrammingDateWrite("20261207");
  EXPECT_EQ(date.size, 16u);
  EXPECT_EQ(std::string(date.bytes.begin() + 7, date.bytes.begin() + 15), "20261207");

  // Frames of 80 bytes or more are not built, and the key index stays.
  keyIndex = 0;
  EXPECT_FALSE(BuildRequest(RequestKind::WriteValues, 0x0C0A, 36, 9, table, keyIndex));
  EXPECT_EQ(keyIndex, 0);
  // Never past the last key.
  keyIndex = 80;
  const auto tail = BuildRequest(RequestKind::WriteValues, 0x0C0A, 23, 9, table, keyIndex);
  ASSERT_TRUE(tail);
  EXPECT_EQ(tail->size, 8u + 2 * 12);
  EXPECT_EQ(keyIndex, 92);
}

TEST(WireSizes, PackAndUnpack) {
  EXPECT_EQ(UnpackSizes(0xFF).low, KeySize::Single);
  EXPECT_EQ(UnpackSizes(0xFF).high, KeySize::Single);
  EXPECT_EQ(UnpackSizes(0x2E).low, KeySize::Quadruple);
  EXPECT_EQ(UnpackSizes(0x2E).high, KeySize::DoubleRight);
  EXPECT_EQ(PackSizes(KeySize::Quadruple, KeySize::DoubleRight), 0x2E);
  EXPECT_EQ(PackSizes(static_cast<KeySize>(-1), static_cast<KeySize>(-1)), 0xFF);
}

TEST(WireAssembler, CutsOneFrameACallAndDiscardsGarbage) {
  FrameAssembler assembler;
  const Frame a = frameOf({2, 6, 9, 1, 0}), b = frameOf({2, 7, 9, 2, 0, 0x42});
  std::vector<std::uint8_t> both = a.toVector();
  const auto second = b.toVector();
  both.insert(both.end(), second.begin(), second.end());
  assembler.Append(both.data(), both.size());
  EXPECT_EQ(hex(*assembler.NextFrame()), hex(a));
  EXPECT_EQ(hex(*assembler.NextFrame()), hex(b));
  EXPECT_FALSE(assembler.NextFrame());

  // A stray byte in front loses the whole buffer, reply included.
  const std::uint8_t stray = 0x55;
  assembler.Append(&stray, 1);
  assembler.Append(a.data(), a.size);
  EXPECT_FALSE(assembler.NextFrame());
  EXPECT_EQ(assembler.buffered(), 0u);

  // The lone last byte of a discarded reply does not spoil the next one.
  const std::uint8_t tail = 0xE9;
  assembler.Append(&tail, 1);
  EXPECT_FALSE(assembler.NextFrame());
  assembler.Append(a.data(), a.size);
  EXPECT_EQ(hex(*assembler.NextFrame()), hex(a));

  // A length below 6 is no frame; later frames are still taken.
  const std::uint8_t shortFrame[] = {2, 3, 9};
  assembler.Append(shortFrame, sizeof shortFrame);
  EXPECT_FALSE(assembler.NextFrame());
  assembler.Append(a.data(), 3);
  EXPECT_FALSE(assembler.NextFrame());  // waits for the rest
  assembler.Append(a.data() + 3, a.size - 3);
  EXPECT_EQ(hex(*assembler.NextFrame()), hex(a));
}

TEST(WireRecognition, RepliesMeanWhatTheLastRequestAskedFor) {
  struct Row {
    std::uint8_t status, unitNumber;
    RequestKind last;
    std::uint8_t tagNumber;
    std::optional<LinkEvent> event;
    int first, second;
  };
  const Row rows[] = {
      {0, 1, RequestKind::ModeEnd, 0, std::nullopt, 0, 0},
      {0, 2, RequestKind::ModeEnd, 1, LinkEvent::ModeSet, 1, 2},
      {0, 3, RequestKind::ModeBegin, 1, LinkEvent::ModeSet, 0, 3},
      {0, 1, RequestKind::ConnectUnit, 1, LinkEvent::Connected, 3, 1},
      {0, 1, RequestKind::ReadValues, 1, std::nullopt, 0, 0},
      {0, 9, RequestKind::ConnectUnit, 7, LinkEvent::Connected, 3, 9},
      {0, 9, RequestKind::WriteValues, 1, LinkEvent::BlockWritten, 10, 0},
      {0, 9, RequestKind::WriteValues, 6, LinkEvent::WriteFinished, 0, 0},
      {0, 9, RequestKind::WriteValues, 8, LinkEvent::OwnersWritten, 0, 0},
      {0, 9, RequestKind::WriteValues, 5, std::nullopt, 0, 0},
      {0, 9, RequestKind::LicenseOff, 1, LinkEvent::BlockWritten, 97, 0},
      {0, 9, RequestKind::WriteSizes, 1, LinkEvent::BlockWritten, 99, 0},
      {0, 9, RequestKind::ReadValues, 2, LinkEvent::BlockRead, 9, 0},
      {0, 9, RequestKind::ReadValues, 3, std::nullopt, 0, 0},
      {0, 9, RequestKind::ReadInfo, 2, LinkEvent::BlockRead, 94, 0},
      {0, 9, RequestKind::ReadSizes, 3, LinkEvent::BlockRead, 98, 0},
      {0, 9, RequestKind::ReadOwners, 5, LinkEvent::CountersRead, 95, 0},
      {0, 9, RequestKind::QueryUnit, 5, LinkEvent::CountersRead, 7, 0},
      {0, 0, RequestKind::QueryUnit, 4, LinkEvent::BlockRead, 94, 0},
      {0, 5, RequestKind::QueryUnit, 4, std::nullopt, 0, 0},
      {35, 9, RequestKind::ConnectUnit, 1, LinkEvent::StopWaiting, 0, 0},  // a refused greeting
      {35, 9, RequestKind::ReadValues, 2, LinkEvent::StopWaiting, 0, 0},
      {35, 1, RequestKind::ConnectUnit, 1, LinkEvent::Connected, 3, 1},
      {35, 1, RequestKind::ModeBegin, 1, LinkEvent::ModeSet, 0, 1},
      {35, 2, RequestKind::ReadValues, 1, LinkEvent::StopWaiting, 0, 0},
      {35, 0, RequestKind::QueryUnit, 4, LinkEvent::StopWaiting, 0, 0},
      {128, 9, RequestKind::ReadValues, 2, LinkEvent::RepeatRequest, 0, 0},
      {181, 1, RequestKind::ModeBegin, 1, LinkEvent::RepeatRequest, 0, 0},
      {99, 9, RequestKind::ReadValues, 2, LinkEvent::RepeatRequest, 0, 0},  // an error code of no list
      {1, 3, RequestKind::ConnectUnit, 1, LinkEvent::RepeatRequest, 0, 0},
  };
  for (const Row& row : rows) {
    const auto message = RecognizeReply(frameOf({2, 6, row.unitNumber, row.tagNumber, row.status}), row.last);
    const std::string label = "status " + std::to_string(row.status) + " unit " + std::to_string(row.unitNumber) +
                              " kind " + std::to_string(static_cast<int>(row.last)) + " tag " +
                              std::to_string(row.tagNumber);
    ASSERT_EQ(message.has_value(), row.event.has_value()) << label;
    if (!message) continue;
    EXPECT_EQ(message->event, *row.event) << label;
    EXPECT_EQ(message->first, row.first) << label;
    EXPECT_EQ(message->second, row.second) << label;
  }
}

TEST(WireDecoders, TextsFlagsAndShortReplies) {
  std::vector<std::uint8_t> serial = {2, 38, 9, 2, 0, 'A', 'B', 0};
  serial.resize(37, 0xFF);
  EXPECT_EQ(DecodeText(frameOf(serial), 32).text, "AB");
  std::vector<std::uint8_t> unset = {2, 38, 9, 2, 0};
  unset.resize(37, 0xFF);
  EXPECT_EQ(DecodeText(frameOf(unset), 32).status, DecodeStatus::NotSet);
  EXPECT_EQ(DecodeText(frameOf({2, 10, 9, 2, 0, 'A', 'B', 'C', 'D'}), 32).status, DecodeStatus::TooShort);

  EXPECT_FALSE(DecodeLicenseFlag(frameOf({2, 8, 9, 2, 0, 0x00, 0})).on);
  EXPECT_EQ(DecodeLicenseFlag(frameOf({2, 8, 9, 2, 0, 0x00, 0})).status, DecodeStatus::Ok);
  EXPECT_TRUE(DecodeLicenseFlag(frameOf({2, 8, 9, 2, 0, 0x01, 0})).on);
  EXPECT_EQ(DecodeLicenseFlag(frameOf({2, 8, 9, 2, 0, 0xFF, 0})).status, DecodeStatus::NotSet);
  EXPECT_EQ(DecodeLicenseFlag(frameOf({2, 6, 9, 2, 0})).status, DecodeStatus::TooShort);

  EXPECT_FALSE(DecodeOwners(frameOf({2, 10, 9, 5, 0, 1, 2, 3, 4})));
  std::vector<std::uint8_t> counters = {2, 127, 9, 5, 0, 0};
  for (int k = 0; k < 30; ++k) counters.insert(counters.end(), {0x80, 0, 0, static_cast<std::uint8_t>(k)});
  const auto readings = DecodeCounters(frameOf(counters));
  ASSERT_TRUE(readings);
  EXPECT_EQ((*readings)[3], static_cast<std::int32_t>(0x80000003u));
  counters.resize(100);
  EXPECT_FALSE(DecodeCounters(frameOf(counters)));
  // An odd data byte count reads complete pairs only, never the checksum.
  EXPECT_EQ(DecodeValues(frameOf({2, 9, 9, 2, 0, 0, 7, 0})), std::vector<std::uint8_t>{7});
}

}  // namespace
}  // namespace q4t

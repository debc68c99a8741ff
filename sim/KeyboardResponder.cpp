#include "sim/KeyboardResponder.h"

#include <algorithm>

namespace q4t::sim {
namespace {

constexpr std::size_t kPayloadOffset = 5;
constexpr std::size_t kMaxReplyData = kMaxFrameBytes - kFrameOverhead;
constexpr std::uint8_t kCounterQuery = 0x99;
constexpr const char* kWrongUnit = "unit does not take the command";

bool IsControlUnit(std::uint8_t unitNumber) {
  return unitNumber == unit::Memory || unitNumber == unit::Mode1 || unitNumber == unit::Mode2 ||
         unitNumber == unit::Mode3;
}

std::string ControlRefusal(const Frame& request, std::uint8_t lowest, std::uint8_t highest) {
  if (!IsControlUnit(UnitOf(request))) return kWrongUnit;
  if (request.size != kFrameOverhead + 1) return "wrong length";
  const std::uint8_t payload = request[kPayloadOffset];
  if (payload < lowest || payload > highest) return "wrong payload";
  return "";
}

std::string QueryRefusal(const Frame& request) {
  if (UnitOf(request) == unit::Details) {
    return request.size == kFrameOverhead ? "" : "wrong length";
  }
  if (UnitOf(request) != unit::Memory) return kWrongUnit;
  if (request.size != kFrameOverhead + 1) return "wrong length";
  return request[kPayloadOffset] == kCounterQuery ? "" : "wrong payload";
}

std::string ReadRefusal(const Frame& request) {
  if (UnitOf(request) != unit::Memory) return kWrongUnit;
  if (request.size != kFrameOverhead + 3) return "wrong length";
  const std::size_t count = request[kPayloadOffset + 2];
  if (count > kMaxReplyData) return "reply would be too long";
  if (AddressOf(request) + count > KeyboardState::kMemoryBytes) return "beyond the memory";
  return "";
}

std::string WriteRefusal(const Frame& request) {
  if (UnitOf(request) != unit::Memory) return kWrongUnit;
  if (request.size < kFrameOverhead + 2) return "wrong length";
  const std::size_t count = request.size - kFrameOverhead - 2;
  if (AddressOf(request) + count > KeyboardState::kMemoryBytes) return "beyond the memory";
  return "";
}

std::vector<std::uint8_t> CounterData(const KeyboardState& state) {
  std::vector<std::uint8_t> data{0x00};
  for (int number = 0; number < kCounterSlotCount; ++number) {
    const std::uint32_t reading = state.counter(number);
    for (int shift = 24; shift >= 0; shift -= 8) {
      data.push_back(static_cast<std::uint8_t>(reading >> shift));
    }
  }
  return data;
}

std::vector<std::uint8_t> QueryData(const Frame& request, const KeyboardState& state) {
  if (UnitOf(request) == unit::Memory) return CounterData(state);
  const std::string& details = state.deviceDetails();
  return {details.begin(), details.end()};
}

std::vector<std::uint8_t> ReadData(const Frame& request, const KeyboardState& state) {
  std::vector<std::uint8_t> data;
  state.read(AddressOf(request), request[kPayloadOffset + 2], data);
  return data;
}

void WriteData(const Frame& request, KeyboardState& state) {
  const std::size_t first = kPayloadOffset + 2;
  state.write(AddressOf(request), request.data() + first, request.size - 1 - first);
}

}  // namespace

std::string RefusalReason(const Frame& request) {
  if (request.size < kFrameOverhead) return "shorter than a frame";
  if (!ChecksumOk(request)) return "bad checksum";
  switch (CommandOf(request)) {
    case command::TransferMode: return ControlRefusal(request, 0x00, 0x01);
    case command::Connect: return ControlRefusal(request, 0x01, 0x01);
    case command::Query: return QueryRefusal(request);
    case command::ReadMemory: return ReadRefusal(request);
    case command::WriteMemory: return WriteRefusal(request);
    default: return "unknown command";
  }
}

Frame CarryOut(const Frame& request, KeyboardState& state) {
  std::vector<std::uint8_t> data;
  switch (CommandOf(request)) {
    case command::Query: data = QueryData(request, state); break;
    case command::ReadMemory: data = ReadData(request, state); break;
    case command::WriteMemory: WriteData(request, state); break;
    default: break;
  }
  return BuildReply(UnitOf(request), TagOf(request), status::Ok, data);
}

Frame StatusReply(const Frame& request, std::uint8_t statusCode) {
  return BuildReply(UnitOf(request), TagOf(request), statusCode, {});
}

Frame BuildReply(std::uint8_t unitNumber, std::uint8_t tagNumber, std::uint8_t statusCode,
                 const std::vector<std::uint8_t>& data) {
  Frame reply;
  const std::size_t dataBytes = std::min(data.size(), kMaxReplyData);
  reply.size = kFrameOverhead + dataBytes;
  reply.bytes[0] = kFrameStart;
  reply.bytes[1] = static_cast<std::uint8_t>(reply.size);
  reply.bytes[2] = unitNumber;
  reply.bytes[3] = tagNumber;
  reply.bytes[4] = statusCode;
  std::copy_n(data.begin(), dataBytes, reply.bytes.begin() + kPayloadOffset);
  reply.bytes[reply.size - 1] = Checksum(reply.data(), reply.size);
  return reply;
}

}  // namespace q4t::sim

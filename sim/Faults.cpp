#include "sim/Faults.h"

#include <algorithm>

#include "sim/KeyboardResponder.h"

namespace q4t::sim {
namespace {

bool TakeOne(int& count) {
  if (count <= 0) return false;
  --count;
  return true;
}

std::vector<std::vector<std::uint8_t>> SplitInThree(const std::vector<std::uint8_t>& bytes) {
  const auto begin = bytes.begin();
  const auto middle = begin + static_cast<std::ptrdiff_t>(std::max<std::size_t>(2, bytes.size() / 2));
  return {{begin, begin + 1}, {begin + 1, middle}, {middle, bytes.end()}};
}

}  // namespace

bool TakeSilence(Faults& faults) { return faults.silentAlways || TakeOne(faults.silentCount); }

std::optional<std::uint8_t> TakeFailureStatus(Faults& faults, const Frame& request) {
  const auto& busy = faults.busyUnits;
  if (std::find(busy.begin(), busy.end(), UnitOf(request)) != busy.end()) return status::Busy;
  if (TakeOne(faults.errorCount)) return faults.errorStatus;
  return std::nullopt;
}

void CorruptReadBack(const Faults& faults, const Frame& request, Frame& reply) {
  if (!faults.corruptReadBackKey || CommandOf(request) != command::ReadMemory) return;
  const std::uint32_t first = AddressOf(request);
  const auto key = static_cast<std::uint32_t>(*faults.corruptReadBackKey);
  const std::uint32_t target = area::KeyValues + 2u * key + 1u;
  if (target < first || target - first >= reply.dataSize()) return;
  std::uint8_t& value = reply.bytes[kDataOffset + (target - first)];
  value = static_cast<std::uint8_t>(value + 1);
  reply.bytes[reply.size - 1] = Checksum(reply.data(), reply.size);
}

std::vector<std::vector<std::uint8_t>> WirePieces(Faults& faults, const Frame& reply) {
  std::vector<std::uint8_t> bytes = reply.toVector();
  if (TakeOne(faults.badChecksumCount)) bytes.back() = static_cast<std::uint8_t>(bytes.back() + 1);
  if (faults.doubleReplies) {
    const std::vector<std::uint8_t> once = bytes;
    bytes.insert(bytes.end(), once.begin(), once.end());
  }
  if (TakeOne(faults.strayByteCount)) bytes.insert(bytes.begin(), kStrayByte);
  if (faults.splitReplies && bytes.size() >= 3) return SplitInThree(bytes);
  return {bytes};
}

}  // namespace q4t::sim

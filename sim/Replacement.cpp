#include "sim/Replacement.h"

#include "sim/KeyboardResponder.h"

namespace q4t::sim {

namespace {

constexpr std::uint8_t kModeEndPayload = 0x01;

bool writesKeyValues(const Frame& request) {
  return CommandOf(request) == command::WriteMemory && AddressOf(request) == area::KeyValues;
}

bool endsTransferMode(const Frame& request) {
  return CommandOf(request) == command::TransferMode && UnitOf(request) == unit::Mode3 &&
         request[kDataOffset] == kModeEndPayload;
}

}  // namespace

void Replacement::carriedOut(const Frame& request, KeyboardState& state, Clock::time_point now) {
  if (left_ <= 0) return;
  if (writesKeyValues(request)) downloaded_ = true;
  if (!downloaded_ || !endsTransferMode(request)) return;
  const std::string serial = nextSerialNumber(state.serialNumber());
  state = FactoryState();
  state.setSerialNumber(serial);
  downloaded_ = false;
  back_ = now + kUnpluggedTime;
  --left_;
}

std::string nextSerialNumber(std::string_view serial) {
  std::string next(serial);
  std::size_t digit = next.size();
  while (digit > 0 && next[digit - 1] == '9') next[--digit] = '0';
  if (digit > 0 && next[digit - 1] >= '0' && next[digit - 1] <= '8') {
    ++next[digit - 1];
    return next;
  }
  // Only nines (or nothing) at the end: one more digit, or a number to start.
  if (digit < next.size()) return next.insert(digit, "1");
  return next + "-2";
}

}  // namespace q4t::sim

#include "link/ComSettings.h"

namespace q4t {

namespace {

constexpr std::uint32_t kBaudRate = 9600;
constexpr std::uint8_t kEnable = 1;                     // DTR_CONTROL_ENABLE, RTS_CONTROL_ENABLE
constexpr std::uint32_t kReadLimitMs = 10;

}  // namespace

ComLineSettings comLineSettings() {
  return {kBaudRate, 8, 0, 0, true, false, false, false, false, false, false, false, kEnable, kEnable};
}

// A read ends when it has all it asked for, or after the constant: a read of
// the bytes queued returns at once, a read of one byte waits for the next.
ComTimeouts comTimeouts() { return {0, 0, kReadLimitMs, 19200 / kBaudRate, 0}; }

}  // namespace q4t

#include "link/ComSettings.h"

namespace q4t {

namespace {

constexpr std::uint32_t kBaudRate = 9600;
constexpr std::uint8_t kEnable = 1;                     // DTR_CONTROL_ENABLE, RTS_CONTROL_ENABLE
constexpr std::uint32_t kReturnAtOnce = 0xFFFFFFFF;     // MAXDWORD as the read interval

}  // namespace

ComLineSettings comLineSettings() {
  return {kBaudRate, 8, 0, 0, true, false, false, false, false, false, false, false, kEnable, kEnable};
}

ComTimeouts comTimeouts() { return {kReturnAtOnce, 0, 0, 19200 / kBaudRate, 0}; }

}  // namespace q4t

// What a Windows COM port is set to, as plain values so that every system
// can check them: the line (its DCB) and the time-outs (its COMMTIMEOUTS).
#pragma once

#include <cstdint>

namespace q4t {

struct ComLineSettings {
  std::uint32_t baudRate;
  std::uint8_t byteSize;
  std::uint8_t parity;    // NOPARITY is 0
  std::uint8_t stopBits;  // ONESTOPBIT is 0
  bool binary;
  bool parityCheck;
  bool ctsFlow;
  bool dsrFlow;
  bool dsrSensitivity;
  bool xonXoffOut;
  bool xonXoffIn;
  bool abortOnError;
  std::uint8_t dtrControl;  // DTR_CONTROL_ENABLE is 1
  std::uint8_t rtsControl;  // RTS_CONTROL_ENABLE is 1
};

struct ComTimeouts {
  std::uint32_t readInterval;
  std::uint32_t readMultiplier;
  std::uint32_t readConstant;
  std::uint32_t writeMultiplier;
  std::uint32_t writeConstant;
};

// 9600 baud, 8 data bits, no parity, one stop bit, binary, no flow control
// of either kind, DTR and RTS on, an error never stops the port.
ComLineSettings comLineSettings();

// A read ends with all it asked for or after 10 ms: the bytes queued come at
// once, and a read of one byte is the receive thread's wait. A write may
// take twice the time its bytes need on the line, as on POSIX systems.
ComTimeouts comTimeouts();

}  // namespace q4t

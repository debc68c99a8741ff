// The line settings that the program on the other end of the virtual
// keyboard's pseudo-terminal applied, as read from its termios.
// A pseudo-terminal keeps the speed, the stop bits and the raw mode as set,
// but always shows 8 data bits without parity, whatever was asked for.
#pragma once

#include <string>
#include <termios.h>

namespace q4t::sim {

struct LineSettings {
  bool valid = false;         // the termios could be read
  unsigned outputBaud = 0;    // 0 when the speed code is not a known rate
  unsigned inputBaud = 0;
  unsigned dataBits = 0;
  bool parity = false;        // PARENB
  bool oddParity = false;     // PARODD, with parity
  bool twoStopBits = false;   // CSTOPB
  std::string cookedFlags;    // flags that a raw line has off, e.g. "ICANON ECHO"

  // 9600 baud both ways, 8 data bits, no parity, one stop bit, raw.
  bool matchesKeyboard() const;
  // "9600 8N1 raw" or, for example, "38400 7E2 not raw: ICANON ECHO".
  std::string describe() const;
};

LineSettings LineSettingsFromTermios(const termios& attributes);

}  // namespace q4t::sim

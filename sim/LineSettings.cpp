#include "sim/LineSettings.h"

#include <array>
#include <utility>

namespace q4t::sim {
namespace {

unsigned BaudOf(speed_t speed) {
  constexpr std::array<std::pair<speed_t, unsigned>, 13> rates = {{
      {B0, 0}, {B300, 300}, {B1200, 1200}, {B2400, 2400}, {B4800, 4800}, {B9600, 9600},
      {B19200, 19200}, {B38400, 38400}, {B57600, 57600}, {B115200, 115200},
      {B230400, 230400}, {B460800, 460800}, {B921600, 921600},
  }};
  for (const auto& [code, baud] : rates) {
    if (code == speed) return baud;
  }
  return 0;
}

unsigned DataBitsOf(tcflag_t cflag) {
  switch (cflag & CSIZE) {
    case CS5: return 5;
    case CS6: return 6;
    case CS7: return 7;
    default: return 8;
  }
}

struct NamedFlag {
  tcflag_t termios::*field;
  tcflag_t bit;
  const char* name;
};

// Everything that would change or swallow bytes of a binary frame.
constexpr std::array<NamedFlag, 14> kCookedFlags = {{
    {&termios::c_lflag, ICANON, "ICANON"}, {&termios::c_lflag, ECHO, "ECHO"},
    {&termios::c_lflag, ECHONL, "ECHONL"}, {&termios::c_lflag, ISIG, "ISIG"},
    {&termios::c_lflag, IEXTEN, "IEXTEN"}, {&termios::c_iflag, IXON, "IXON"},
    {&termios::c_iflag, IXOFF, "IXOFF"}, {&termios::c_iflag, ICRNL, "ICRNL"},
    {&termios::c_iflag, INLCR, "INLCR"}, {&termios::c_iflag, IGNCR, "IGNCR"},
    {&termios::c_iflag, ISTRIP, "ISTRIP"}, {&termios::c_iflag, PARMRK, "PARMRK"},
    {&termios::c_iflag, BRKINT, "BRKINT"}, {&termios::c_oflag, OPOST, "OPOST"},
}};

const char* ParityLetter(const LineSettings& settings) {
  if (!settings.parity) return "N";
  return settings.oddParity ? "O" : "E";
}

}  // namespace

LineSettings LineSettingsFromTermios(const termios& attributes) {
  LineSettings settings;
  settings.valid = true;
  settings.outputBaud = BaudOf(cfgetospeed(&attributes));
  settings.inputBaud = BaudOf(cfgetispeed(&attributes));
  settings.dataBits = DataBitsOf(attributes.c_cflag);
  settings.parity = (attributes.c_cflag & PARENB) != 0;
  settings.oddParity = settings.parity && (attributes.c_cflag & PARODD) != 0;
  settings.twoStopBits = (attributes.c_cflag & CSTOPB) != 0;
  for (const NamedFlag& flag : kCookedFlags) {
    if ((attributes.*flag.field & flag.bit) == 0) continue;
    if (!settings.cookedFlags.empty()) settings.cookedFlags += ' ';
    settings.cookedFlags += flag.name;
  }
  return settings;
}

bool LineSettings::matchesKeyboard() const {
  return valid && outputBaud == 9600 && inputBaud == 9600 && dataBits == 8 && !parity &&
         !twoStopBits && cookedFlags.empty();
}

std::string LineSettings::describe() const {
  if (!valid) return "unknown (the line settings cannot be read)";
  // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on "x" + std::string.
  std::string text = std::to_string(outputBaud);
  if (inputBaud != outputBaud) {
    text += '/';
    text += std::to_string(inputBaud);
  }
  text += ' ';
  text += std::to_string(dataBits);
  text += ParityLetter(*this);
  text += twoStopBits ? "2" : "1";
  text += cookedFlags.empty() ? " raw" : " not raw: ";
  text += cookedFlags;
  return text;
}

}  // namespace q4t::sim

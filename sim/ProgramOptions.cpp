#include "sim/ProgramOptions.h"

#include <charconv>
#include <functional>
#include <map>
#include <sstream>

namespace q4t::sim {

const char* const kProgramUsage =
    "usage: q4t-keyboard-sim --link PATH [options]\n"
    "  --link PATH            symbolic link to create to the keyboard's pseudo-terminal\n"
    "  --state FILE           load the keyboard's memory from FILE if it exists, save it at exit\n"
    "  --log FILE             write every request received to FILE, one line of hex each\n"
    "  --silent N             leave the next N requests unanswered\n"
    "  --silent-always        answer nothing\n"
    "  --error-status CODE    answer with status CODE instead of carrying requests out\n"
    "  --error-count N        ... for the next N requests (default 1)\n"
    "  --busy-units U,U...    always answer requests to these units with status 35\n"
    "  --bad-checksum N       send the next N replies with a wrong checksum\n"
    "  --stray-byte N         send a stray 0x55 before each of the next N replies\n"
    "  --split-replies        send each reply in three writes with pauses between\n"
    "  --double-replies       send each reply twice in one write\n"
    "  --corrupt-readback KEY read the value of key KEY (0..91) back one higher\n"
    "  --pace                 both directions at the speed of a 9600 baud line\n"
  "  --serial TEXT          the keyboard's serial number (at most 32 bytes)\n"
  "  --replace-after-download N\n"
  "                         after each of the next N downloads go silent for a second,\n"
  "                         then answer as a new keyboard (next serial number, factory table)\n"
    "  --verbose              print each request and its reply\n"
    "  --show-line-settings   print the line settings once the first request has arrived\n"
    "  --help                 print this text and stop\n"
    "  --version              print the version and stop\n"
    "The desktop program on the virtual keyboard as COM1 (Port, COM1, Connect):\n"
    "  mkdir -p ~/q4t-ports\n"
    "  q4t-keyboard-sim --link ~/q4t-ports/COM1 --state ~/q4t-ports/keyboard.state &\n"
    "  Q4T_PORT_DIR=~/q4t-ports q4t-programmer\n";

namespace {

template <typename Number>
bool ParseNumber(const std::string& text, Number& number, long lowest, long highest) {
  long value = 0;
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, value);
  if (text.empty() || result.ec != std::errc() || result.ptr != end) return false;
  if (value < lowest || value > highest) return false;
  number = static_cast<Number>(value);
  return true;
}

bool ParseUnits(const std::string& text, std::vector<std::uint8_t>& units) {
  std::istringstream list(text);
  std::string item;
  units.clear();
  while (std::getline(list, item, ',')) {
    std::uint8_t unitNumber = 0;
    if (!ParseNumber(item, unitNumber, 0, 255)) return false;
    units.push_back(unitNumber);
  }
  return !units.empty();
}

using ValueOption = std::function<bool(ProgramOptions&, const std::string&)>;
using FlagOption = std::function<void(ProgramOptions&)>;

const std::map<std::string, ValueOption>& ValueOptions() {
  constexpr long kMaxCount = 1'000'000;
  static const std::map<std::string, ValueOption> options = {
      {"--link", [](ProgramOptions& o, const std::string& v) { o.linkPath = v; return !v.empty(); }},
      {"--state", [](ProgramOptions& o, const std::string& v) { o.statePath = v; return !v.empty(); }},
      {"--log", [](ProgramOptions& o, const std::string& v) { o.logPath = v; return !v.empty(); }},
      {"--silent", [](ProgramOptions& o, const std::string& v) {
         return ParseNumber(v, o.faults.silentCount, 0, kMaxCount); }},
      {"--error-status", [](ProgramOptions& o, const std::string& v) {
         return ParseNumber(v, o.faults.errorStatus, 0, 255); }},
      {"--error-count", [](ProgramOptions& o, const std::string& v) {
         return ParseNumber(v, o.faults.errorCount, 0, kMaxCount); }},
      {"--busy-units", [](ProgramOptions& o, const std::string& v) {
         return ParseUnits(v, o.faults.busyUnits); }},
      {"--bad-checksum", [](ProgramOptions& o, const std::string& v) {
         return ParseNumber(v, o.faults.badChecksumCount, 0, kMaxCount); }},
      {"--stray-byte", [](ProgramOptions& o, const std::string& v) {
         return ParseNumber(v, o.faults.strayByteCount, 0, kMaxCount); }},
      {"--serial", [](ProgramOptions& o, const std::string& v) {
         o.serialNumber = v;
         return !v.empty() && v.size() <= area::SerialNumberBytes; }},
      {"--replace-after-download", [](ProgramOptions& o, const std::string& v) {
         return ParseNumber(v, o.replacements, 0, kMaxCount); }},
      {"--corrupt-readback", [](ProgramOptions& o, const std::string& v) {
         int key = 0;
         if (!ParseNumber(v, key, 0, kKeyCount - 1)) return false;
         o.faults.corruptReadBackKey = key;
         return true; }},
  };
  return options;
}

const std::map<std::string, FlagOption>& FlagOptions() {
  static const std::map<std::string, FlagOption> options = {
      {"--silent-always", [](ProgramOptions& o) { o.faults.silentAlways = true; }},
      {"--split-replies", [](ProgramOptions& o) { o.faults.splitReplies = true; }},
      {"--double-replies", [](ProgramOptions& o) { o.faults.doubleReplies = true; }},
      {"--pace", [](ProgramOptions& o) { o.faults.pace = true; }},
      {"--verbose", [](ProgramOptions& o) { o.verbose = true; }},
      {"--show-line-settings", [](ProgramOptions& o) { o.showLineSettings = true; }},
      {"--help", [](ProgramOptions& o) { o.help = true; }},
      {"--version", [](ProgramOptions& o) { o.version = true; }},
  };
  return options;
}

}  // namespace

std::optional<ProgramOptions> ParseProgramOptions(const std::vector<std::string>& arguments,
                                                  std::string& error) {
  ProgramOptions options;
  bool errorCountGiven = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& name = arguments[i];
    if (const auto flag = FlagOptions().find(name); flag != FlagOptions().end()) {
      flag->second(options);
      continue;
    }
    const auto valueOption = ValueOptions().find(name);
    if (valueOption == ValueOptions().end()) {
      error = "unknown option " + name;
      return std::nullopt;
    }
    if (i + 1 >= arguments.size() || !valueOption->second(options, arguments[i + 1])) {
      error = "missing or bad value for " + name;
      return std::nullopt;
    }
    errorCountGiven = errorCountGiven || name == "--error-count";
    ++i;
  }
  if (!options.help && !options.version && options.linkPath.empty()) {
    error = "--link PATH is required";
    return std::nullopt;
  }
  if (errorCountGiven && options.faults.errorStatus == 0) {
    error = "--error-count needs --error-status";
    return std::nullopt;
  }
  if (options.faults.errorStatus != 0 && !errorCountGiven) options.faults.errorCount = 1;
  return options;
}

}  // namespace q4t::sim

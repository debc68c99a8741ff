#include "sim/StateFile.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace q4t::sim {
namespace {

constexpr const char* kHeader = "q4t-keyboard-state 1";
constexpr std::size_t kRowBytes = 32;

std::string Hex(const std::uint8_t* bytes, std::size_t count) {
  std::string text;
  char digits[4];
  for (std::size_t i = 0; i < count; ++i) {
    std::snprintf(digits, sizeof digits, i == 0 ? "%02X" : " %02X", bytes[i]);
    text += digits;
  }
  return text;
}

template <typename Number>
bool ParseNumber(const std::string& word, Number& number, int base = 10) {
  const char* end = word.data() + word.size();
  const auto result = std::from_chars(word.data(), end, number, base);
  return !word.empty() && result.ec == std::errc() && result.ptr == end;
}

bool ParseHexBytes(std::istringstream& words, std::vector<std::uint8_t>& bytes) {
  std::string word;
  while (words >> word) {
    std::uint8_t byte = 0;
    if (word.size() != 2 || !ParseNumber(word, byte, 16)) return false;
    bytes.push_back(byte);
  }
  return true;
}

bool ParseCounter(std::istringstream& words, KeyboardState& state) {
  std::string numberWord, readingWord, extra;
  int number = 0;
  std::uint32_t reading = 0;
  if (!(words >> numberWord >> readingWord) || words >> extra) return false;
  if (!ParseNumber(numberWord, number) || !ParseNumber(readingWord, reading)) return false;
  if (number < 0 || number >= kCounterSlotCount) return false;
  state.setCounter(number, reading);
  return true;
}

bool ParseDetails(std::istringstream& words, KeyboardState& state) {
  std::vector<std::uint8_t> bytes;
  if (!ParseHexBytes(words, bytes) || bytes.size() > KeyboardState::kMaxDetailsBytes) return false;
  state.setDeviceDetails(std::string(bytes.begin(), bytes.end()));
  return true;
}

bool ParseMemory(std::istringstream& words, KeyboardState& state) {
  std::string addressWord;
  std::uint32_t address = 0;
  std::vector<std::uint8_t> bytes;
  if (!(words >> addressWord) || !ParseNumber(addressWord, address, 16)) return false;
  if (!ParseHexBytes(words, bytes) || bytes.empty()) return false;
  return state.write(address, bytes.data(), bytes.size());
}

bool ParseLine(const std::string& line, KeyboardState& state) {
  std::istringstream words(line);
  std::string keyword;
  if (!(words >> keyword)) return true;
  if (keyword == "counter") return ParseCounter(words, state);
  if (keyword == "details") return ParseDetails(words, state);
  if (keyword == "memory") return ParseMemory(words, state);
  return false;
}

std::string StateText(const KeyboardState& state) {
  std::ostringstream text;
  text << kHeader << '\n';
  for (int number = 0; number < kCounterSlotCount; ++number) {
    text << "counter " << number << ' ' << state.counter(number) << '\n';
  }
  const std::string& details = state.deviceDetails();
  text << "details " << Hex(reinterpret_cast<const std::uint8_t*>(details.data()), details.size())
       << '\n';
  std::vector<std::uint8_t> row;
  for (std::uint32_t address = 0; address < KeyboardState::kMemoryBytes; address += kRowBytes) {
    state.read(address, kRowBytes, row);
    if (std::all_of(row.begin(), row.end(), [](std::uint8_t byte) { return byte == 0xFF; })) continue;
    char addressText[8];
    std::snprintf(addressText, sizeof addressText, "%04X", static_cast<unsigned>(address));
    text << "memory " << addressText << ' ' << Hex(row.data(), row.size()) << '\n';
  }
  return text.str();
}

}  // namespace

bool SaveState(const KeyboardState& state, const std::string& path, std::string& error) {
  const std::string temporary = path + ".tmp-" + std::to_string(getpid());
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    file << StateText(state);
    file.flush();
    if (!file) {
      error = "cannot write " + temporary;
      std::remove(temporary.c_str());
      return false;
    }
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    error = "cannot replace " + path;
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

std::optional<KeyboardState> LoadState(const std::string& path, std::string& error) {
  struct stat status {};
  if (stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {  // a FIFO would never end
    error = path + " is not a regular file";
    return std::nullopt;
  }
  std::ifstream file(path, std::ios::binary);
  std::string line;
  if (!file || !std::getline(file, line) || line != kHeader) {
    error = path + " is not a keyboard state file";
    return std::nullopt;
  }
  KeyboardState state;
  for (int number = 2; std::getline(file, line); ++number) {
    if (!ParseLine(line, state)) {
      error = path + ":" + std::to_string(number) + ": cannot read \"" + line + "\"";
      return std::nullopt;
    }
  }
  return state;
}

}  // namespace q4t::sim

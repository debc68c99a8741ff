#include "model/KeyTableFile.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include <unistd.h>

#define SI_NO_CONVERSION
#include <SimpleIni.h>

namespace q4t {

namespace {

constexpr const char* kDefaultTableName = "DefTable.q4t";

std::string sectionName(int k) { return std::to_string(k); }

// A value counts only when it is a whole decimal integer that fits 32 bits.
std::int32_t readInt(const CSimpleIniA& ini, const std::string& section, const char* key,
                     std::int32_t fallback) {
  const char* text = ini.GetValue(section.c_str(), key, nullptr);
  if (text == nullptr) return fallback;
  const std::string_view view(text);
  const char* first = view.data();
  const char* last = view.data() + view.size();
  if (first != last && *first == '+') ++first;
  std::int32_t number = 0;
  const auto [end, error] = std::from_chars(first, last, number);
  if (error != std::errc() || end != last || first == last) return fallback;
  return number;
}

LoadedKey readSection(const CSimpleIniA& ini, int k) {
  const std::string section = sectionName(k);
  LoadedKey loaded;
  loaded.value = readInt(ini, section, "VALUE", -1);
  loaded.counter = readInt(ini, section, "COUNTER", kCounterOff);
  loaded.right = readInt(ini, section, "RIGHT", kNoNeighbour);
  loaded.down = readInt(ini, section, "DOWN", kNoNeighbour);
  loaded.downRight = readInt(ini, section, "DOWNRIGHT", kNoNeighbour);
  loaded.size = readInt(ini, section, "SIZE", -1);
  return loaded;
}

void writeSection(CSimpleIniA& ini, int k, const KeyEntry& key) {
  const std::string section = sectionName(k);
  const std::pair<const char*, std::int32_t> fields[] = {
      {"VALUE", key.value},  {"RIGHT", key.right}, {"DOWN", key.down},
      {"DOWNRIGHT", key.downRight}, {"SIZE", static_cast<std::int32_t>(key.size)},
      {"COUNTER", key.counter}};
  for (const auto& [name, number] : fields)
    ini.SetValue(section.c_str(), name, std::to_string(number).c_str());
}

bool replaceFile(const std::string& text, const std::string& path) {
  const std::string temporary = path + ".tmp-" + std::to_string(getpid());
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  const bool flushed = std::fflush(file) == 0 && fsync(fileno(file)) == 0;
  const bool closed = std::fclose(file) == 0;
  if (written && flushed && closed && std::rename(temporary.c_str(), path.c_str()) == 0)
    return true;
  std::remove(temporary.c_str());
  return false;
}

}  // namespace

void readKeyTable(const std::string& path, KeyTable& table) {
  CSimpleIniA ini(false, false, false);
  ini.LoadFile(path.c_str());
  table.resetForLoad();
  for (int k = 0; k < kKeyCount; ++k) table.loadEntry(k, readSection(ini, k));
  table.applyLoadedShapes();
}

bool writeKeyTable(const std::string& path, const KeyTable& table) {
  CSimpleIniA ini(false, false, false);
  ini.SetSpaces(false);
  std::error_code ignored;
  if (std::filesystem::exists(path, ignored)) {
    if (access(path.c_str(), W_OK) != 0 || ini.LoadFile(path.c_str()) < 0) return false;
  }
  for (int k = 0; k < kKeyCount; ++k) writeSection(ini, k, table.entry(k));
  std::string text;
  if (ini.Save(text) < 0) return false;
  return replaceFile(text, path);
}

std::string defaultTablePath() {
  std::error_code error;
  const std::filesystem::path directory = std::filesystem::current_path(error);
  return (directory / kDefaultTableName).string();
}

bool needsNewName(const std::string& path) {
  return path.find(kDefaultTableName) != std::string::npos;
}

}  // namespace q4t

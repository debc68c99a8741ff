#include "model/KeyTableText.h"

#include <charconv>
#include <cstring>
#include <strings.h>

#include "model/LabelRules.h"
#include "model/TextEncoding.h"

#define SI_NO_CONVERSION
#include <SimpleIni.h>

namespace q4t {

namespace {

// Repeated keys are kept, so that foreign ones survive a save; a read takes the first.
CSimpleIniA makeIni() { return CSimpleIniA(false, true, false); }

std::string sectionName(int k) { return std::to_string(k); }

// A value counts only when it is a whole decimal integer. One too large for
// 32 bits is noted in tooLarge (the first one only), never taken as missing:
// saving would write the default over it.
std::int32_t readInt(const CSimpleIniA& ini, const std::string& section, const char* key,
                     std::int32_t fallback, std::string& tooLarge) {
  const char* text = ini.GetValue(section.c_str(), key, nullptr);
  if (text == nullptr) return fallback;
  const char* first = text;
  const char* last = text + std::strlen(text);
  if (first != last && *first == '+') ++first;
  std::int32_t number = 0;
  const auto [end, error] = std::from_chars(first, last, number);
  if (error == std::errc::result_out_of_range && end == last && tooLarge.empty())
    tooLarge = "key " + section + ": " + key + "=" + text + " does not fit 32 bits";
  if (error != std::errc() || end != last || first == last) return fallback;
  return number;
}

LoadedKey readSection(const CSimpleIniA& ini, int k, std::string& tooLarge) {
  const std::string section = sectionName(k);
  LoadedKey loaded;
  loaded.value = readInt(ini, section, "VALUE", -1, tooLarge);
  loaded.counter = readInt(ini, section, "COUNTER", kCounterOff, tooLarge);
  loaded.right = readInt(ini, section, "RIGHT", kNoNeighbour, tooLarge);
  loaded.down = readInt(ini, section, "DOWN", kNoNeighbour, tooLarge);
  loaded.downRight = readInt(ini, section, "DOWNRIGHT", kNoNeighbour, tooLarge);
  loaded.size = readInt(ini, section, "SIZE", -1, tooLarge);
  loaded.label = ini.GetValue(section.c_str(), "LABEL", "");
  return loaded;
}

// Empty, or the first number that does not fit 32 bits.
std::string loadTable(const CSimpleIniA& ini, KeyTable& table) {
  std::string tooLarge;
  table.resetForLoad();
  for (int k = 0; k < kKeyCount; ++k) table.loadEntry(k, readSection(ini, k, tooLarge));
  table.applyLoadedShapes();
  dropHiddenLabels(table);
  return tooLarge;
}

bool hasKeySection(const CSimpleIniA& ini) {
  for (int k = 0; k < kKeyCount; ++k)
    if (ini.GetSectionSize(sectionName(k).c_str()) >= 0) return true;
  return false;
}

FileResult loadText(const std::string& bytes, CSimpleIniA& ini, TextEncoding& encoding, std::string& text) {
  if (!decodeText(bytes, text, encoding)) return fileFailure("not valid UTF-16 text");
  // The INI library stops at a NUL byte and would lose the rest.
  if (text.find('\0') != std::string::npos) return fileFailure("not a text file");
  if (ini.LoadData(text) < 0) return fileFailure("not an INI file");
  return {};
}

// Whether the text stops inside its last line, as a file cut short by a full
// disk does: no line end after a line that is no comment, no whole section
// name and no entry with a value. Such a line would be dropped, or read as
// missing, without a word.
bool endsInsideALine(const std::string& text) {
  const std::size_t lineStart = text.find_last_of("\r\n") + 1;  // 0 when there is no line end
  const std::size_t first = text.find_first_not_of(" \t", lineStart);
  if (first == std::string::npos) return false;
  const std::string line = text.substr(first);
  if (line[0] == ';' || line[0] == '#') return false;
  if (line[0] == '[') return line.find(']') == std::string::npos;
  const std::size_t equals = line.find('=');
  return equals == std::string::npos || line.find_first_not_of(" \t", equals + 1) == std::string::npos;
}

// The name under which the section already holds the key ("value" for
// "VALUE"), so that a save keeps its spelling.
std::string spellingIn(const CSimpleIniA& ini, const std::string& section, const char* key) {
  const CSimpleIniA::TKeyVal* keys = ini.GetSection(section.c_str());
  if (keys != nullptr)
    for (const auto& [entry, value] : *keys)
      if (strcasecmp(entry.pItem, key) == 0) return entry.pItem;
  return key;
}

// The entry is touched only when it no longer reads as the key's label, so
// that a save without edits leaves repeated or empty entries and tabs as they
// are. A new label replaces every entry of the key; a cleared one removes them.
void writeLabel(CSimpleIniA& ini, const std::string& section, const std::string& label) {
  const std::string spelling = spellingIn(ini, section, "LABEL");
  if (keyLabelText(ini.GetValue(section.c_str(), spelling.c_str(), "")) == label) return;
  if (label.empty()) {
    ini.Delete(section.c_str(), spelling.c_str());
  } else {
    ini.SetValue(section.c_str(), spelling.c_str(), label.c_str(), nullptr, true);
  }
}

void writeSection(CSimpleIniA& ini, int k, const KeyTable& table) {
  const KeyEntry& key = table.entry(k);
  const std::string section = sectionName(k);
  const std::pair<const char*, std::int32_t> fields[] = {
      {"VALUE", key.value},  {"RIGHT", key.right}, {"DOWN", key.down},
      {"DOWNRIGHT", key.downRight}, {"SIZE", static_cast<std::int32_t>(key.size)},
      {"COUNTER", key.counter}};
  for (const auto& [name, number] : fields) {
    const std::string spelling = spellingIn(ini, section, name);
    ini.SetValue(section.c_str(), spelling.c_str(), std::to_string(number).c_str(), nullptr, true);
  }
  writeLabel(ini, section, table.label(k));
}

}  // namespace

FileResult parseKeyTable(const std::string& bytes, KeyTable& table) {
  CSimpleIniA ini = makeIni();
  TextEncoding encoding;
  std::string text;
  FileResult result = loadText(bytes, ini, encoding, text);
  if (result && !hasKeySection(ini)) result = fileFailure("no key table sections");
  if (result && endsInsideALine(text)) result = fileFailure("cut off inside its last line");
  if (!result) ini.Reset();
  const std::string tooLarge = loadTable(ini, table);
  if (result && !tooLarge.empty()) {
    result = fileFailure(tooLarge);
    ini.Reset();
    loadTable(ini, table);
  }
  return result;
}

FileResult mergeKeyTable(const std::string& oldBytes, const KeyTable& table, std::string& newBytes) {
  CSimpleIniA ini = makeIni();
  ini.SetSpaces(false);
  TextEncoding encoding = TextEncoding::Utf8;
  std::string oldText;
  if (FileResult loaded = loadText(oldBytes, ini, encoding, oldText); !loaded) return loaded;
  for (int k = 0; k < kKeyCount; ++k) writeSection(ini, k, table);
  std::string text;
  if (ini.Save(text) < 0) return fileFailure("cannot format the table");
  if (!encodeText(text, encoding, newBytes)) return fileFailure("cannot encode the table");
  return {};
}

}  // namespace q4t

#include "tests/TestTables.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "model/KeyboardGrid.h"

namespace q4t::testing {

KeyTable gridTable() {
  KeyTable table;
  table.resetForLoad();
  for (int k = 0; k < kKeyCount; ++k) {
    LoadedKey key;
    key.value = k + 1;
    key.right = gridRight(k);
    key.down = gridDown(k);
    key.downRight = gridDownRight(k);
    key.size = static_cast<int>(KeySize::Single);
    table.loadEntry(k, key);
  }
  table.applyLoadedShapes();
  return table;
}

std::string invariantViolations(const KeyTable& table) {
  std::ostringstream out;
  int countersOn = 0;
  for (int k = 0; k < kKeyCount; ++k) {
    const KeyEntry& key = table.entry(k);
    if (table.isCounterOn(k)) {
      ++countersOn;
      if (table.counters()[static_cast<std::size_t>(key.counter)].ownerKey != k)
        out << "key " << k << " holds counter " << key.counter << " whose slot names another; ";
    }
    for (int position : table.groupOf(k)) {
      if (position == k) continue;
      const KeyEntry& covered = table.entry(position);
      if (covered.size != KeySize::Covered || covered.value != key.value)
        out << "key " << position << " covered by " << k << " is not covered with its value; ";
    }
  }
  for (int c = kFirstKeyCounter; c <= kLastKeyCounter; ++c) {
    const int owner = table.counters()[static_cast<std::size_t>(c)].ownerKey;
    if (isKeyIndex(owner) && table.entry(owner).counter != c)
      out << "slot " << c << " names key " << owner << " which does not hold it; ";
  }
  if (countersOn != table.countersInUse())
    out << "countersInUse " << table.countersInUse() << " but " << countersOn << " keys hold one; ";
  return out.str();
}

std::string sourceDir() {
  const char* dir = std::getenv("Q4T_SOURCE_DIR");
  return dir != nullptr ? dir : ".";
}

std::string readFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

void writeFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string freshDirectory(const std::string& name) {
  const auto dir = std::filesystem::temp_directory_path() /
                   ("q4t-test-" + std::to_string(::getpid()) + "-" + name);
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir.string();
}

}  // namespace q4t::testing

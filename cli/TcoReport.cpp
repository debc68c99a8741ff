#include "cli/TcoReport.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "cli/KeyboardText.h"

namespace q4t {

namespace {

const char* const kFixedNames[kFirstKeyCounter] = {"All keys",     "Minutes",         "MSR good read",
                                                   "MSR bad read", "Keylock changes", "MSR total read"};

std::string counterName(int counter) {
  return counter < kFirstKeyCounter ? kFixedNames[counter] : "Key counter";
}

// The key position a counter belongs to; nothing for the fixed counters and free slots.
std::optional<int> counterKey(int counter, const TcoCounterSlot& slot) {
  if (counter < kFirstKeyCounter || slot.ownerKey == kFreeSlot) return std::nullopt;
  return slot.ownerKey;
}

// The window's Key Location column: the name, the key, or "not used".
std::string keyLocation(int counter, const TcoCounterSlot& slot) {
  if (counter < kFirstKeyCounter) return counterName(counter);
  const std::optional<int> key = counterKey(counter, slot);
  return key ? std::to_string(*key) : "not used";
}

std::string padRight(std::string text, std::size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
  return text;
}

std::string padLeft(const std::string& text, std::size_t width) {
  return text.size() < width ? std::string(width - text.size(), ' ') + text : text;
}

// The header and the 30 rows of the counters; the numbers right-aligned.
std::string counterTable(const TcoCounterTable& counters) {
  std::vector<std::vector<std::string>> rows = {{"Counter", "Key Location", "Value"}};
  for (int n = 0; n < kCounterSlotCount; ++n) {
    const TcoCounterSlot& slot = counters[static_cast<std::size_t>(n)];
    rows.push_back({std::to_string(n), keyLocation(n, slot), std::to_string(slot.count)});
  }
  std::size_t widths[3] = {};
  for (const auto& row : rows)
    for (std::size_t column = 0; column < 3; ++column) widths[column] = std::max(widths[column], row[column].size());
  std::string text;
  for (const auto& row : rows)
    text += padLeft(row[0], widths[0]) + "  " + padRight(row[1], widths[1]) + "  " + padLeft(row[2], widths[2]) + "\n";
  return text;
}

}  // namespace

std::string tcoText(const TcoReading& reading) {
  const std::pair<const char*, const std::string*> fields[] = {
      {"serial number:", &reading.serialNumber},
      {"date of manufacture:", &reading.manufactureDate},
      {"date of programming:", &reading.programmingDate},
      {"device details:", &reading.deviceDetails},
      {"California driver license:", &reading.license},
  };
  const std::size_t indent = std::string("California driver license: ").size();
  std::string text;
  for (const auto& [label, value] : fields) {
    std::string start = padRight(label, indent);
    for (const std::string& line : terminalLines(*value)) {
      text += start + line + "\n";
      start = std::string(indent, ' ');
    }
  }
  return text + counterTable(reading.counters);
}

std::string tcoJson(const TcoReading& reading) {
  std::string json = "{\"serialNumber\": " + jsonText(reading.serialNumber) +
                     ", \"manufactureDate\": " + jsonText(reading.manufactureDate) +
                     ", \"programmingDate\": " + jsonText(reading.programmingDate) +
                     ", \"deviceDetails\": " + jsonText(reading.deviceDetails) +
                     ", \"californiaLicense\": " + jsonText(reading.license) + ", \"counters\": [";
  for (int n = 0; n < kCounterSlotCount; ++n) {
    const TcoCounterSlot& slot = reading.counters[static_cast<std::size_t>(n)];
    const std::optional<int> key = counterKey(n, slot);
    json += (n ? ", " : "") + std::string("{\"number\": ") + std::to_string(n) +
            ", \"name\": " + jsonText(counterName(n)) + ", \"key\": " + (key ? std::to_string(*key) : "null") +
            ", \"reading\": " + std::to_string(slot.count) + "}";
  }
  return json + "]}\n";
}

}  // namespace q4t

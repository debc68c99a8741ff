#include "model/CounterSheet.h"

#include "model/CsvText.h"

namespace q4t {

namespace {

const char* const kFixedNames[kFirstKeyCounter] = {"All keys",     "Minutes",         "MSR good read",
                                                   "MSR bad read", "Keylock changes", "MSR total read"};

bool isKeyCounterInUse(int counter, const TcoCounterSlot& slot) {
  return counter >= kFirstKeyCounter && slot.ownerKey >= 0 && slot.ownerKey < kKeyCount;
}

}  // namespace

std::string counterKeyLocation(int counter, const TcoCounterSlot& slot) {
  if (counter < kFirstKeyCounter) return kFixedNames[counter];
  return slot.ownerKey == kFreeSlot ? "not used" : std::to_string(slot.ownerKey);
}

std::string counterCsv(const CounterReadings& readings, const KeyTable* labels) {
  std::string csv = csvRecord({"serial number", keyboardTextUtf8(readings.serialNumber)}) +
                    csvRecord({"date of manufacture", keyboardTextUtf8(readings.manufactureDate)}) +
                    csvRecord({"date of programming", keyboardTextUtf8(readings.programmingDate)}) +
                    csvRecord({"counter", "key location", "label", "reading"});
  for (int counter = 0; counter < kCounterSlotCount; ++counter) {
    const TcoCounterSlot& slot = readings.counters[static_cast<std::size_t>(counter)];
    const std::string label = labels && isKeyCounterInUse(counter, slot) ? labels->label(slot.ownerKey) : "";
    csv += csvRecord({std::to_string(counter), counterKeyLocation(counter, slot), label, std::to_string(slot.count)});
  }
  return csv;
}

}  // namespace q4t

// The counter readings of one keyboard as CSV, for service reports: the
// serial number and the two dates, then a row per counter with its number,
// its key location (the name of the counters 0 to 5, the key position of a
// key counter, or "not used"), the label of its key and its reading. The
// TCO window's Export Counters... and q4t read-tco --csv write it.
#pragma once

#include <string>

#include "model/KeyTable.h"

namespace q4t {

// What a TCO read fetched; the texts are the keyboard's bytes.
struct CounterReadings {
  std::string serialNumber, manufactureDate, programmingDate;
  TcoCounterTable counters{};
};

// "All keys", "Minutes", ... for 0 to 5; the key position, or "not used", for 6 to 29.
std::string counterKeyLocation(int counter, const TcoCounterSlot& slot);

// labels: the table whose key labels go beside the key counters; none leaves the column empty.
std::string counterCsv(const CounterReadings& readings, const KeyTable* labels = nullptr);

}  // namespace q4t

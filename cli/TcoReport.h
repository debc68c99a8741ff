// What q4t read-tco prints: the keyboard's texts and its 30 counters, as
// aligned text for the terminal or as one JSON object.
#pragma once

#include <string>

#include "model/KeyTable.h"

namespace q4t {

struct TcoReading {
  TcoCounterTable counters{};
  std::string serialNumber, manufactureDate, programmingDate, deviceDetails, license = "not set";
};

// One labelled line a text, a line break inside a text continuing under its
// first line; then the counters in columns as wide as their widest entry.
std::string tcoText(const TcoReading& reading);

// {"serialNumber": ..., "counters": [{"number", "name", "key", "reading"}, ...]};
// "key" is the key position of a key counter, null when it is not used and
// for the counters that count no single key.
std::string tcoJson(const TcoReading& reading);

}  // namespace q4t

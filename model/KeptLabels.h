// Labels never reach the keyboard. A table uploaded from a keyboard that holds
// exactly what a kept written table holds gets that table's labels back.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "model/KeyTable.h"
#include "model/SnapshotStore.h"

namespace q4t {

struct KeptLabelSource {
  std::filesystem::path path;
  std::string serial;
  SnapshotName name;
};

// Looks at the newest written table kept of each keyboard (an Upload does not
// read the serial number). When some hold exactly what the uploaded table
// holds, the newest of them gives every key its label and is returned.
// Otherwise nothing is guessed: the table stays as it is. A table that has
// labels of its own (kept from the window's table) keeps them.
std::optional<KeptLabelSource> takeKeptLabels(const SnapshotStore& store, KeyTable& uploaded);

}  // namespace q4t

#include "model/KeptLabels.h"

#include "model/KeyTableFile.h"
#include "model/TableDiff.h"

namespace q4t {

std::optional<KeptLabelSource> takeKeptLabels(const SnapshotStore& store, KeyTable& uploaded) {
  if (uploaded.hasLabels()) return std::nullopt;
  std::optional<KeptLabelSource> newest;
  KeyTable labelled;
  for (const KeyboardFolder& keyboard : store.keyboards()) {
    const std::optional<std::filesystem::path> written = store.latestWritten(keyboard.serial);
    if (!written) continue;
    const auto name = parseSnapshotFileName(written->filename().string());
    if (newest && !takenBefore(newest->name, *name)) continue;
    KeyTable kept;
    if (!readKeyTable(written->string(), kept) || !keyboardHoldsSame(kept, uploaded)) continue;
    newest = KeptLabelSource{*written, keyboard.serial, *name};
    labelled = kept;
  }
  if (newest)
    for (int k = 0; k < kKeyCount; ++k) uploaded.setLabel(k, labelled.label(k));
  return newest;
}

}  // namespace q4t

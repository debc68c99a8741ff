#include "cli/HistoryCommand.h"

#include <cstdio>

#include "cli/KeyboardText.h"
#include "cli/TextColumns.h"
#include "model/PathText.h"
#include "model/SnapshotStore.h"

namespace q4t {

namespace {

constexpr int kListed = 0;
constexpr int kNothingKept = 1;
constexpr int kUsageError = 2;

// A serial number is the keyboard's bytes, Latin-1 like every text it reports.
std::string serialText(const std::string& serial) {
  return serial.empty() ? "(serial number not set)" : terminalText(serial);
}

std::string snapshotList(const SnapshotStore& store, const KeyboardFolder& keyboard) {
  TextColumns columns({Align::Left, Align::Left, Align::Right, Align::Left});
  columns.add({"date", "kind", "changed keys", "source file"});
  for (const SnapshotInfo& info : store.snapshots(keyboard.serial)) {
    const std::string changed = info.keysChanged < 0 ? "-" : std::to_string(info.keysChanged);
    const std::string source = info.readable ? info.sourceFile : "unreadable: " + info.readable.reason;
    columns.add({stampDateText(info.name.stamp), kindName(info.name.kind), changed, source});
  }
  return "Keyboard " + serialText(keyboard.serial) + "  (" + pathText(keyboard.folder) + ")\n" +
         columns.render("  ");
}

}  // namespace

int historyCommand(const std::vector<std::string>& args) {
  if (args.size() > 1) {
    std::fputs("q4t: history takes at most one serial number\n", stderr);
    return kUsageError;
  }
  const SnapshotStore store;
  std::vector<KeyboardFolder> keyboards = store.keyboards();
  if (!args.empty()) {
    std::erase_if(keyboards, [&args](const KeyboardFolder& keyboard) {
      return keyboard.serial != args[0] && keyboard.folder.filename() != args[0];
    });
    if (keyboards.empty()) {
      std::fprintf(stderr, "q4t: no tables kept of keyboard %s in %s\n", args[0].c_str(), pathText(store.root()).c_str());
      return kNothingKept;
    }
  }
  if (keyboards.empty()) std::printf("No keyboard tables kept in %s yet\n", pathText(store.root()).c_str());
  for (std::size_t i = 0; i < keyboards.size(); ++i)
    std::fputs(((i > 0 ? "\n" : "") + snapshotList(store, keyboards[i])).c_str(), stdout);
  return kListed;
}

}  // namespace q4t

// The Keyboard History window with 1,000 kept tables of one keyboard: made,
// shown and painted with every row listed by name; and with every row read.
// Runs on the offscreen platform unless QT_QPA_PLATFORM names another.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTreeWidget>
#include <filesystem>

#include "model/KeyTableFile.h"
#include "model/SnapshotStore.h"
#include "ui/KeyboardHistoryDlg.h"

namespace {

const std::filesystem::path kRoot = std::filesystem::temp_directory_path() / "q4t-bench-history";

void keepThousandTables() {
  std::filesystem::remove_all(kRoot);
  const q4t::SnapshotStore store(kRoot);
  q4t::KeyTable table;
  q4t::readKeyTable(std::string(Q4T_SOURCE_DIR) + "/DefTable.q4t", table);
  for (int i = 0; i < 1000; ++i) {
    table.setValue(i % q4t::kKeyCount, i % 256);
    const auto kind = i % 2 == 0 ? q4t::SnapshotKind::Before : q4t::SnapshotKind::Written;
    store.save("BENCH", kind, table, 1714558500 + i, "/home/u/shop.q4t");
  }
}

void OpenHistoryWindow(benchmark::State& state) {
  const q4t::SnapshotStore store(kRoot);
  for (auto _ : state) {
    q4t::KeyboardHistoryDlg dialog(store, {});
    dialog.show();
    dialog.repaint();
    benchmark::DoNotOptimize(dialog.list().topLevelItem(0)->childCount());
  }
}
BENCHMARK(OpenHistoryWindow)->Unit(benchmark::kMillisecond);

void ReadWholeHistory(benchmark::State& state) {
  const q4t::SnapshotStore store(kRoot);
  for (auto _ : state) {
    q4t::KeyboardHistoryDlg dialog(store, {});
    dialog.readAll();
    benchmark::DoNotOptimize(dialog.list().topLevelItem(0)->child(999)->text(2));
  }
}
BENCHMARK(ReadWholeHistory)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  keepThousandTables();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  std::filesystem::remove_all(kRoot);
  return 0;
}

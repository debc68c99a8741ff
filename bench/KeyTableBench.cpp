// Reading and writing a whole key table file; the difference of two tables;
// listing a keyboard's 1,000 kept tables.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "model/KeyTableFile.h"
#include "model/SnapshotStore.h"
#include "model/TableDiff.h"

namespace {

std::string sourceTable() { return std::string(Q4T_SOURCE_DIR) + "/DefTable.q4t"; }

void ReadTable(benchmark::State& state) {
  q4t::KeyTable table;
  for (auto _ : state) {
    q4t::readKeyTable(sourceTable(), table);
    benchmark::DoNotOptimize(table.entry(91).value);
  }
}
BENCHMARK(ReadTable)->Unit(benchmark::kMicrosecond);

void WriteTable(benchmark::State& state) {
  q4t::KeyTable table;
  q4t::readKeyTable(sourceTable(), table);
  const std::string path = (std::filesystem::temp_directory_path() / "q4t-bench.q4t").string();
  for (auto _ : state) benchmark::DoNotOptimize(q4t::writeKeyTable(path, table));
  std::filesystem::remove(path);
}
BENCHMARK(WriteTable)->Unit(benchmark::kMicrosecond);

// Two tables that differ in values, shapes and counters.
void DiffTables(benchmark::State& state) {
  q4t::KeyTable before, after;
  q4t::readKeyTable(sourceTable(), before);
  after = before;
  for (int k = 0; k < 60; k += 3) after.setValue(k, 200);
  after.mergeRight(1);
  after.counterOn(40, q4t::KeyPosition::TopLeft, 9);
  for (auto _ : state) benchmark::DoNotOptimize(q4t::diffTables(before, after).keys.size());
}
BENCHMARK(DiffTables)->Unit(benchmark::kMicrosecond);

void ListThousandSnapshots(benchmark::State& state) {
  const auto root = std::filesystem::temp_directory_path() / "q4t-bench-store";
  std::filesystem::remove_all(root);
  const q4t::SnapshotStore store(root);
  q4t::KeyTable table;
  q4t::readKeyTable(sourceTable(), table);
  for (int i = 0; i < 1000; ++i) {
    table.setValue(i % q4t::kKeyCount, i % 256);
    const auto kind = i % 2 == 0 ? q4t::SnapshotKind::Before : q4t::SnapshotKind::Written;
    store.save("BENCH", kind, table, 1714558500 + i, "/home/u/shop.q4t");
  }
  for (auto _ : state) benchmark::DoNotOptimize(store.snapshots("BENCH").size());
  std::filesystem::remove_all(root);
}
BENCHMARK(ListThousandSnapshots)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

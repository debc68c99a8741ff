// Reading and writing a whole key table file.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "model/KeyTableFile.h"

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

}  // namespace

BENCHMARK_MAIN();

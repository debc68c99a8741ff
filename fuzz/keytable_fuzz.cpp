// Random file contents through the key table reader, what show draws from
// the table, and the save's merge, whose result must read back as the table,
// labels included.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "cli/ShowCommand.h"
#include "model/KeyTableText.h"

namespace {

// The values the reader copies from an owner onto the positions it covers.
// They are derived, not stored: where groups overlap (links that do not follow
// the grid) the copies depend on the order of reading and may come out
// differently from a saved file, which holds what the table held.
std::array<bool, q4t::kKeyCount> derivedValues(const q4t::KeyTable& table) {
  std::array<bool, q4t::kKeyCount> derived{};
  const auto mark = [&derived](int k) {
    if (k >= 0) derived[static_cast<std::size_t>(k)] = true;
  };
  for (int k = 0; k < q4t::kKeyCount; ++k) {
    const q4t::KeySize size = table.entry(k).size;
    if (size == q4t::KeySize::DoubleRight || size == q4t::KeySize::Quadruple) mark(table.rightOf(k));
    if (size == q4t::KeySize::DoubleDown || size == q4t::KeySize::Quadruple) mark(table.downOf(k));
    if (size == q4t::KeySize::Quadruple) mark(table.downRightOf(k));
  }
  return derived;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  q4t::KeyTable table;
  if (!q4t::parseKeyTable(bytes, table)) return 0;
  q4t::renderKeyTable(table);
  std::string saved;
  if (!q4t::mergeKeyTable(bytes, table, saved)) return 0;
  q4t::KeyTable back;
  if (!q4t::parseKeyTable(saved, back)) std::abort();
  const std::array<bool, q4t::kKeyCount> derived = derivedValues(table);
  for (int k = 0; k < q4t::kKeyCount; ++k) {
    const q4t::KeyEntry &before = table.entry(k), &after = back.entry(k);
    const bool valueKept = derived[static_cast<std::size_t>(k)] || before.value == after.value;
    if (!valueKept || before.size != after.size || before.counter != after.counter ||
        before.right != after.right || before.down != after.down || before.downRight != after.downRight ||
        table.label(k) != back.label(k) || table.label(k) != q4t::keyLabelText(table.label(k)))
      std::abort();
  }
  return 0;
}

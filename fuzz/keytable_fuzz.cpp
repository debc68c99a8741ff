// Random file contents through the key table reader, what show draws from
// the table, and the save's merge, whose result must read back as the table.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "cli/ShowCommand.h"
#include "model/KeyTableText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  q4t::KeyTable table;
  if (!q4t::parseKeyTable(bytes, table)) return 0;
  q4t::renderKeyTable(table);
  std::string saved;
  if (!q4t::mergeKeyTable(bytes, table, saved)) return 0;
  q4t::KeyTable back;
  if (!q4t::parseKeyTable(saved, back)) std::abort();
  for (int k = 0; k < q4t::kKeyCount; ++k) {
    const q4t::KeyEntry &before = table.entry(k), &after = back.entry(k);
    if (before.value != after.value || before.size != after.size || before.counter != after.counter ||
        before.right != after.right || before.down != after.down || before.downRight != after.downRight)
      std::abort();
  }
  return 0;
}

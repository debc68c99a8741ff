#include "model/LabelRules.h"

#include <algorithm>

#include "model/ShownKeys.h"

namespace q4t {

namespace {

bool sameShape(const KeyTable& a, const KeyTable& b, int k) {
  const GroupPositions groupA = a.groupOf(k), groupB = b.groupOf(k);
  return a.entry(k).size == b.entry(k).size && std::equal(groupA.begin(), groupA.end(), groupB.begin(), groupB.end());
}

}  // namespace

void dropHiddenLabels(KeyTable& table) {
  const HiddenKeys hidden = hiddenKeys(table);
  for (int k = 0; k < kKeyCount; ++k)
    if (hidden[static_cast<std::size_t>(k)]) table.setLabel(k, "");
}

void keepLabelsOfUnchangedKeys(const KeyTable& before, KeyTable& uploaded) {
  for (int k = 0; k < kKeyCount; ++k) {
    const bool unchanged = before.entry(k).value == uploaded.entry(k).value && sameShape(before, uploaded, k);
    uploaded.setLabel(k, unchanged ? before.label(k) : "");
  }
  dropHiddenLabels(uploaded);
}

}  // namespace q4t

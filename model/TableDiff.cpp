#include "model/TableDiff.h"

#include <algorithm>
#include <array>

#include "model/ShownKeys.h"

namespace q4t {

namespace {

using Owners = std::array<int, kKeyCount>;
using Flags = std::array<bool, kKeyCount>;

std::size_t at(int k) { return static_cast<std::size_t>(k); }

// The key whose shape covers each position, as the window shows it; itself when none does.
Owners ownersOf(const KeyTable& table) {
  Owners owner;
  for (int k = 0; k < kKeyCount; ++k) owner[at(k)] = k;
  for (int k = 0; k < kKeyCount; ++k) {
    const auto [columns, rows] = spanOf(table, k);
    if (columns == 2) owner[at(table.rightOf(k))] = k;
    if (rows == 2) owner[at(table.downOf(k))] = k;
    if (columns == 2 && rows == 2) owner[at(table.downRightOf(k))] = k;
  }
  return owner;
}

// Free, or a slot naming no key, is -1: the Download writes the same for both.
int counterOwner(const KeyTable& table, int c) {
  const int owner = table.counters()[at(c)].ownerKey;
  return isKeyIndex(owner) ? owner : -1;
}

class DiffBuilder {
 public:
  DiffBuilder(const KeyTable& oldTable, const KeyTable& newTable)
      : old_(oldTable), new_(newTable), oldOwner_(ownersOf(oldTable)), newOwner_(ownersOf(newTable)) {}

  TableDiff build() {
    markReshaped();
    for (int k = 0; k < kKeyCount; ++k) {
      if (reshaped_[at(k)] || (valueDiffers(k) && !carriedByOwner(k))) addKey(k);
    }
    addCounters();
    addLabels();
    return std::move(diff_);
  }

 private:
  bool valueDiffers(int k) const { return old_.entry(k).value != new_.entry(k).value; }
  KeySize oldSize(int k) const { return old_.entry(k).size; }
  KeySize newSize(int k) const { return new_.entry(k).size; }

  // A merge turns a single key into a covered one and a split the other way
  // round; that belongs to the key that covers it, when its shape changes.
  bool followsOwner(int k) const {
    const bool mergedAway = oldSize(k) == KeySize::Single && newSize(k) == KeySize::Covered;
    const bool splitOff = oldSize(k) == KeySize::Covered && newSize(k) == KeySize::Single;
    if (!mergedAway && !splitOff) return false;
    const int owner = mergedAway ? newOwner_[at(k)] : oldOwner_[at(k)];
    return owner != k && reshaped_[at(owner)];
  }

  // First the keys whose own shape changes, then the positions that a merge
  // or split took along, when no reshaped key covers them.
  void markReshaped() {
    for (int k = 0; k < kKeyCount; ++k) {
      const bool couldFollow = (oldSize(k) == KeySize::Single || oldSize(k) == KeySize::Covered) &&
                               (newSize(k) == KeySize::Single || newSize(k) == KeySize::Covered);
      reshaped_[at(k)] = oldSize(k) != newSize(k) && !couldFollow;
    }
    for (int k = 0; k < kKeyCount; ++k)
      if (oldSize(k) != newSize(k) && !reshaped_[at(k)] && !followsOwner(k)) reshaped_[at(k)] = true;
  }

  // A covered position that takes its owner's new value, where the owner's
  // change is listed, says nothing more than the owner's line. An owner that
  // is covered itself (links that run in a circle) is no such line.
  bool carriedByOwner(int k) const {
    const int owner = newOwner_[at(k)];
    if (owner == k || new_.entry(k).value != new_.entry(owner).value) return false;
    return reshaped_[at(owner)] || (valueDiffers(owner) && newOwner_[at(owner)] == owner);
  }

  void addKey(int k) {
    KeyChange change;
    change.key = k;
    change.label = new_.label(k).empty() ? old_.label(k) : new_.label(k);
    change.oldValue = old_.entry(k).value;
    change.newValue = new_.entry(k).value;
    change.oldSize = oldSize(k);
    change.newSize = newSize(k);
    change.reshaped = reshaped_[at(k)];
    change.partOf = newOwner_[at(k)] != k ? newOwner_[at(k)] : -1;
    diff_.keys.push_back(std::move(change));
  }

  void addCounters() {
    for (int c = kFirstKeyCounter; c <= kLastKeyCounter; ++c) {
      const int oldKey = counterOwner(old_, c), newKey = counterOwner(new_, c);
      if (oldKey != newKey) diff_.counters.push_back({c, oldKey, newKey});
    }
  }

  void addLabels() {
    for (int k = 0; k < kKeyCount; ++k)
      if (old_.label(k) != new_.label(k)) diff_.labels.push_back({k, old_.label(k), new_.label(k)});
  }

  const KeyTable& old_;
  const KeyTable& new_;
  const Owners oldOwner_;
  const Owners newOwner_;
  Flags reshaped_{};
  TableDiff diff_;
};

// "1 key", "2 keys"
std::string counted(int n, const char* noun) {
  return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
}

// "a", "a and b", "a, b and c"
std::string listed(const std::vector<std::string>& parts) {
  std::string text;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) text += i + 1 == parts.size() ? " and " : ", ";
    text += parts[i];
  }
  return text;
}

}  // namespace

CounterMove CounterChange::move() const {
  if (oldKey < 0) return CounterMove::Added;
  return newKey < 0 ? CounterMove::Removed : CounterMove::Moved;
}

int TableDiff::valueChanges() const {
  return static_cast<int>(std::count_if(keys.begin(), keys.end(), [](const KeyChange& c) { return !c.reshaped; }));
}

int TableDiff::shapeChanges() const { return static_cast<int>(keys.size()) - valueChanges(); }

TableDiff diffTables(const KeyTable& oldTable, const KeyTable& newTable) {
  return DiffBuilder(oldTable, newTable).build();
}

bool keyboardHoldsSame(const KeyTable& a, const KeyTable& b) {
  for (int k = 0; k < kKeyCount; ++k)
    if (a.entry(k).value != b.entry(k).value || a.entry(k).size != b.entry(k).size) return false;
  for (int c = kFirstKeyCounter; c <= kLastKeyCounter; ++c)
    if (counterOwner(a, c) != counterOwner(b, c)) return false;
  return true;
}

std::string diffSummary(const TableDiff& diff) {
  std::vector<std::string> parts;
  if (const int values = diff.valueChanges(); values > 0) parts.push_back(counted(values, "key"));
  if (const int shapes = diff.shapeChanges(); shapes > 0) parts.push_back(counted(shapes, "double key"));
  if (!diff.counters.empty()) parts.push_back(counted(static_cast<int>(diff.counters.size()), "counter"));
  const bool one = parts.size() == 1 && parts[0].starts_with("1 ");
  std::string text = parts.empty() ? "Nothing changes on the keyboard" : listed(parts) + (one ? " changes" : " change");
  if (!diff.labels.empty()) {
    const int labels = static_cast<int>(diff.labels.size());
    text += "; " + counted(labels, "label") + (labels == 1 ? " changes" : " change");
  }
  return text;
}

std::string shapeName(KeySize size) {
  switch (size) {
    case KeySize::Covered: return "covered";
    case KeySize::Single: return "single";
    case KeySize::DoubleRight: return "double right";
    case KeySize::DoubleDown: return "double down";
    case KeySize::Quadruple: return "quadruple";
  }
  return "size " + std::to_string(static_cast<std::int32_t>(size));
}

const char* moveName(CounterMove move) {
  switch (move) {
    case CounterMove::Added: return "added";
    case CounterMove::Removed: return "removed";
    case CounterMove::Moved: return "moved";
  }
  return "";
}

}  // namespace q4t

#include "model/KeyTable.h"

#include "model/Utf8.h"

namespace q4t {

bool isKeyIndex(std::int32_t k) { return k >= 0 && k < kKeyCount; }

bool isKeyCounter(std::int32_t c) { return c >= kFirstKeyCounter && c <= kLastKeyCounter; }

KeyTable::KeyTable() { resetForLoad(); }

// Characters that would break a label's line or act on a terminal.
static bool isControlCharacter(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

std::string keyLabelText(std::string_view text) {
  std::u32string characters;
  for (std::size_t pos = 0; pos < text.size();) {
    const char32_t c = nextCodePoint(text, pos);
    characters += isControlCharacter(c) ? U' ' : c;
  }
  const std::size_t first = characters.find_first_not_of(U' ');
  if (first == std::u32string::npos) return {};
  characters = characters.substr(first, kMaxLabelLength);
  characters.erase(characters.find_last_not_of(U' ') + 1);
  std::string kept;
  for (const char32_t c : characters) appendUtf8(kept, c);
  return kept;
}

bool KeyTable::hasLabels() const {
  for (const std::string& label : labels_)
    if (!label.empty()) return true;
  return false;
}

void KeyTable::setLabel(int k, std::string_view text) {
  labels_[static_cast<std::size_t>(k)] = keyLabelText(text);
}

static int validLink(std::int32_t link) { return isKeyIndex(link) ? link : kNoNeighbour; }

int KeyTable::rightOf(int k) const { return validLink(entry(k).right); }
int KeyTable::downOf(int k) const { return validLink(entry(k).down); }
int KeyTable::downRightOf(int k) const { return validLink(entry(k).downRight); }

bool KeyTable::isCounterOn(int k) const { return isKeyCounter(entry(k).counter); }

GroupPositions KeyTable::groupOf(int k) const {
  GroupPositions group;
  auto add = [&group](int position) {
    if (position >= 0) group.keys[static_cast<std::size_t>(group.size++)] = position;
  };
  switch (entry(k).size) {
    case KeySize::Single: add(k); break;
    case KeySize::DoubleRight: add(k); add(rightOf(k)); break;
    case KeySize::DoubleDown: add(k); add(downOf(k)); break;
    case KeySize::Quadruple: add(k); add(rightOf(k)); add(downOf(k)); add(downRightOf(k)); break;
    default: break;
  }
  return group;
}

bool KeyTable::groupHasCounter(int k) const {
  for (int position : groupOf(k))
    if (isCounterOn(position)) return true;
  return false;
}

int KeyTable::actuationKey(int k) const {
  int order[4] = {k, -1, -1, -1};
  switch (entry(k).size) {
    case KeySize::DoubleRight: order[1] = rightOf(k); break;
    case KeySize::DoubleDown: order[1] = downOf(k); break;
    case KeySize::Quadruple:
      order[1] = downOf(k);
      order[2] = rightOf(k);
      order[3] = downRightOf(k);
      break;
    default: return k;
  }
  for (int position : order)
    if (position >= 0 && isCounterOn(position)) return position;
  return k;
}

bool KeyTable::isSlotFree(int c) const {
  return !isKeyIndex(slots_[static_cast<std::size_t>(c)].ownerKey);
}

CounterList KeyTable::freeCounters() const {
  CounterList free;
  for (int c = kFirstKeyCounter; c <= kLastKeyCounter; ++c)
    if (isSlotFree(c)) free.push(c);
  return free;
}

void KeyTable::copyOwnerValue(int k) {
  const std::int32_t v = entry(k).value;
  const int right = rightOf(k), down = downOf(k), downRight = downRightOf(k);
  switch (entry(k).size) {
    case KeySize::DoubleRight:
      if (right >= 0) at(right).value = v;
      break;
    case KeySize::DoubleDown:
      if (down >= 0) at(down).value = v;
      break;
    case KeySize::Quadruple:
      if (right >= 0 && down >= 0 && downRight >= 0) {
        at(down).value = v;
        at(right).value = v;
        at(downRight).value = v;
      }
      break;
    default: break;
  }
}

void KeyTable::setValue(int k, std::int32_t v) {
  KeyEntry& key = at(k);
  key.previousValue = key.value;
  key.value = v;
  key.changed = 1;
  copyOwnerValue(k);
}

void KeyTable::merge(int k, KeySize shape, std::initializer_list<int> covered) {
  if (entry(k).size != KeySize::Single) return;
  for (int position : covered)
    if (position < 0 || entry(position).size != KeySize::Single) return;
  splitKey(k);
  at(k).size = shape;
  for (int position : covered) {
    at(position).size = KeySize::Covered;
    labels_[static_cast<std::size_t>(position)].clear();
  }
  copyOwnerValue(k);
  counterOff(k);
}

void KeyTable::mergeRight(int k) { merge(k, KeySize::DoubleRight, {rightOf(k)}); }

void KeyTable::mergeDown(int k) { merge(k, KeySize::DoubleDown, {downOf(k)}); }

// The down-right neighbour must be single too: were it the owner of a merged
// key, its own covered positions would be left without an owner.
void KeyTable::mergeQuadruple(int k) {
  merge(k, KeySize::Quadruple, {rightOf(k), downOf(k), downRightOf(k)});
}

void KeyTable::splitKey(int k) {
  const std::int32_t shape = static_cast<std::int32_t>(entry(k).size);
  if (shape <= 0) return;
  const int neighbours[3][2] = {{2, rightOf(k)}, {4, downOf(k)}, {8, downRightOf(k)}};
  for (const auto& [bit, position] : neighbours) {
    if ((shape & bit) == 0 || position < 0 || entry(position).size != KeySize::Covered) continue;
    at(position).size = KeySize::Single;
    labels_[static_cast<std::size_t>(position)].clear();
    counterOff(k);
  }
  at(k).size = KeySize::Single;
}

// A slot is freed only when it names this position, so that a counter that a
// file gave to two positions stays with the other one.
void KeyTable::releaseCounterOf(int position) {
  KeyEntry& key = at(position);
  if (isCounterOn(position)) {
    TcoCounterSlot& owned = slot(key.counter);
    if (owned.ownerKey == position) owned.ownerKey = kFreeSlot;
    --countersInUse_;
  }
  key.counter = kCounterOff;
}

void KeyTable::counterOff(int k) {
  for (int position : groupOf(k)) releaseCounterOf(position);
}

int KeyTable::positionIn(int k, KeyPosition position) const {
  const KeySize shape = entry(k).size;
  switch (position) {
    case KeyPosition::TopLeft: return shape == KeySize::Covered ? -1 : k;
    case KeyPosition::TopRight:
      return shape == KeySize::DoubleRight || shape == KeySize::Quadruple ? rightOf(k) : -1;
    case KeyPosition::BottomLeft:
      return shape == KeySize::DoubleDown || shape == KeySize::Quadruple ? downOf(k) : -1;
    case KeyPosition::BottomRight: return shape == KeySize::Quadruple ? downRightOf(k) : -1;
  }
  return -1;
}

// The group's earlier counter is released first, and a counter that another
// position holds moves from there to the new position.
void KeyTable::counterOn(int k, KeyPosition position, int c) {
  const int target = positionIn(k, position);
  if (target < 0 || !isKeyCounter(c)) return;
  counterOff(k);
  releaseCounterOf(target);
  const int holder = slot(c).ownerKey;
  if (isKeyIndex(holder) && entry(holder).counter == c) releaseCounterOf(holder);
  at(target).counter = c;
  slot(c).ownerKey = target;
  ++countersInUse_;
}

void KeyTable::resetForLoad() {
  for (TcoCounterSlot& s : slots_) s.ownerKey = kFreeSlot;
  countersInUse_ = 0;
}

void KeyTable::loadEntry(int k, const LoadedKey& loaded) {
  KeyEntry& key = at(k);
  key.value = loaded.value;
  key.previousValue = loaded.value;
  key.counter = loaded.counter;
  key.right = loaded.right;
  key.down = loaded.down;
  key.downRight = loaded.downRight;
  key.size = static_cast<KeySize>(loaded.size);
  key.changed = 0;
  setLabel(k, loaded.label);
  if (isCounterOn(k)) {
    ++countersInUse_;
    slot(key.counter).ownerKey = k;
  }
}

void KeyTable::applyLoadedShapes() {
  for (int k = 0; k < kKeyCount; ++k) copyOwnerValue(k);
}

void KeyTable::takeKeyboardValue(int k, std::int32_t v) {
  KeyEntry& key = at(k);
  key.value = v;
  key.previousValue = v;
  key.changed = 0;
}

void KeyTable::takeKeyboardSize(int k, KeySize size) { at(k).size = size; }

void KeyTable::takeCounterReadings(const std::array<std::int32_t, kCounterSlotCount>& readings) {
  for (int c = 0; c < kCounterSlotCount; ++c) slot(c).count = readings[static_cast<std::size_t>(c)];
}

// A key named by two owner bytes keeps the first of its counters.
void KeyTable::takeCounterOwners(const std::array<std::uint8_t, kMaxCountersInUse>& owners) {
  for (KeyEntry& key : entries_) key.counter = kCounterOff;
  countersInUse_ = 0;
  for (int i = 0; i < kMaxCountersInUse; ++i) {
    const int owner = owners[static_cast<std::size_t>(i)];
    slot(kFirstKeyCounter + i).ownerKey = owner;
    if (!isKeyIndex(owner) || isCounterOn(owner)) continue;
    at(owner).counter = kFirstKeyCounter + i;
    ++countersInUse_;
  }
}

void KeyTable::restoreKey(int k, const KeyEntry& entry, const std::string& label) {
  at(k) = entry;
  labels_[static_cast<std::size_t>(k)] = label;
}

void KeyTable::restoreSlot(int c, const TcoCounterSlot& counterSlot) { slot(c) = counterSlot; }

}  // namespace q4t

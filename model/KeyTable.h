// The key table of one keyboard layout: 92 key positions with their values,
// shapes, neighbour links and TCO counters, and the table of counter slots.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace q4t {

constexpr int kKeyCount = 92;
constexpr int kCounterSlotCount = 30;
constexpr int kFirstKeyCounter = 6;
constexpr int kLastKeyCounter = 29;
constexpr int kMaxCountersInUse = kLastKeyCounter - kFirstKeyCounter + 1;
constexpr std::int32_t kNoNeighbour = -1;
constexpr std::int32_t kCounterOff = 144;
constexpr std::int32_t kFreeSlot = 144;
constexpr int kMaxLabelLength = 40;  // characters, not bytes

// Shape code of an entry; a bit set: 2 covers the right neighbour, 4 the down
// neighbour, 8 the down-right neighbour. Any other value is carried along.
enum class KeySize : std::int32_t {
  Covered = 0,
  Single = 1,
  DoubleRight = 2,
  DoubleDown = 4,
  Quadruple = 14,
};

// A position inside a key group, with the bit values of the shape codes.
enum class KeyPosition : std::int32_t {
  TopLeft = 1,
  TopRight = 2,
  BottomLeft = 4,
  BottomRight = 8,
};

struct KeyEntry {
  std::int32_t changed = 0;
  std::int32_t counter = kCounterOff;
  KeySize size = static_cast<KeySize>(-1);
  std::int32_t downRight = kNoNeighbour;
  std::int32_t down = kNoNeighbour;
  std::int32_t right = kNoNeighbour;
  std::int32_t previousValue = -1;
  std::int32_t value = -1;
  bool operator==(const KeyEntry&) const = default;
};

struct TcoCounterSlot {
  std::int32_t count = 0;
  std::int32_t ownerKey = kFreeSlot;
  bool operator==(const TcoCounterSlot&) const = default;
};

using TcoCounterTable = std::array<TcoCounterSlot, kCounterSlotCount>;

// The six keys of one file section, as read.
struct LoadedKey {
  std::int32_t value = -1;
  std::int32_t counter = kCounterOff;
  std::int32_t right = kNoNeighbour;
  std::int32_t down = kNoNeighbour;
  std::int32_t downRight = kNoNeighbour;
  std::int32_t size = -1;
  std::string label;
};

// Up to 24 counter numbers without allocation.
class CounterList {
 public:
  void push(int number) { numbers_[static_cast<std::size_t>(size_++)] = number; }
  int size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const int* begin() const { return numbers_.data(); }
  const int* end() const { return numbers_.data() + size_; }

 private:
  std::array<int, kMaxCountersInUse> numbers_{};
  int size_ = 0;
};

// The positions of one key group, owner first.
struct GroupPositions {
  std::array<int, 4> keys{};
  int size = 0;
  const int* begin() const { return keys.data(); }
  const int* end() const { return keys.data() + size; }
};

bool isKeyIndex(std::int32_t k);
bool isKeyCounter(std::int32_t c);

// A key's label as kept: valid UTF-8 on one line (control characters, C1
// controls and the line and paragraph separators become spaces, a byte that
// is no UTF-8 U+FFFD), without outer spaces, cut after kMaxLabelLength
// characters (code points, as the label field counts them).
std::string keyLabelText(std::string_view text);

class KeyTable {
 public:
  KeyTable();

  const KeyEntry& entry(int k) const { return entries_[static_cast<std::size_t>(k)]; }
  const TcoCounterTable& counters() const { return slots_; }
  int countersInUse() const { return countersInUse_; }
  // What the key means to its users; never sent to the keyboard. Merging
  // keeps the owner's label, the covered positions lose theirs.
  const std::string& label(int k) const { return labels_[static_cast<std::size_t>(k)]; }
  bool hasLabels() const;

  // Neighbour links that name no key (below 0 or above 91) count as none: -1.
  int rightOf(int k) const;
  int downOf(int k) const;
  int downRightOf(int k) const;

  // Queries.
  bool isCounterOn(int k) const;
  bool groupHasCounter(int k) const;
  int actuationKey(int k) const;
  CounterList freeCounters() const;
  bool isSlotFree(int c) const;
  GroupPositions groupOf(int k) const;

  // Edits, each called with the owning key.
  void setValue(int k, std::int32_t v);
  void setLabel(int k, std::string_view text);
  void mergeRight(int k);
  void mergeDown(int k);
  void mergeQuadruple(int k);
  void splitKey(int k);
  void counterOff(int k);
  void counterOn(int k, KeyPosition position, int c);

  // Loading from a file.
  void resetForLoad();
  void loadEntry(int k, const LoadedKey& loaded);
  void applyLoadedShapes();

  // What the keyboard reports.
  void takeKeyboardValue(int k, std::int32_t v);
  void takeKeyboardSize(int k, KeySize size);
  void takeCounterReadings(const std::array<std::int32_t, kCounterSlotCount>& readings);
  void takeCounterOwners(const std::array<std::uint8_t, kMaxCountersInUse>& owners);

  // Undo and redo: a key with its label, a counter slot and the number of
  // counters in use put back as a TableChange recorded them; no rule runs.
  void restoreKey(int k, const KeyEntry& entry, const std::string& label);
  void restoreSlot(int c, const TcoCounterSlot& counterSlot);
  void restoreCountersInUse(int count) { countersInUse_ = count; }

 private:
  KeyEntry& at(int k) { return entries_[static_cast<std::size_t>(k)]; }
  TcoCounterSlot& slot(int c) { return slots_[static_cast<std::size_t>(c)]; }
  int positionIn(int k, KeyPosition position) const;
  void merge(int k, KeySize shape, std::initializer_list<int> covered);
  void copyOwnerValue(int k);
  void releaseCounterOf(int position);

  std::array<KeyEntry, kKeyCount> entries_{};
  std::array<std::string, kKeyCount> labels_{};
  TcoCounterTable slots_{};
  int countersInUse_ = 0;
};

}  // namespace q4t

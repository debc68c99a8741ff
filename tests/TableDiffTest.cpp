#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "model/TableDiff.h"
#include "tests/TestTables.h"

namespace q4t {
namespace {

using testing::gridTable;

// "3: 4->40", "12: 13->13 single->double right", "13: 14->12 under 12"
std::vector<std::string> keyLines(const TableDiff& diff) {
  std::vector<std::string> lines;
  for (const KeyChange& c : diff.keys) {
    std::string line = std::to_string(c.key) + ": " + std::to_string(c.oldValue) + "->" + std::to_string(c.newValue);
    if (c.reshaped) line += " " + shapeName(c.oldSize) + "->" + shapeName(c.newSize);
    if (c.partOf >= 0) line += " under " + std::to_string(c.partOf);
    lines.push_back(line);
  }
  return lines;
}

using Lines = std::vector<std::string>;

TEST(TableDiff, ListsValueAndShapeChangesOncePerKeyAsTheWindowShowsThem) {
  struct Case {
    const char* what;
    std::function<void(KeyTable&)> oldEdit, newEdit;
    Lines keys;
    const char* summary;
  };
  const auto none = [](KeyTable&) {};
  const Case cases[] = {
      {"values", none, [](KeyTable& t) { t.setValue(3, 40); t.setValue(50, 7); }, {"3: 4->40", "50: 51->7"},
       "2 keys change"},
      {"a merge takes the right key in", none, [](KeyTable& t) { t.mergeRight(12); },
       {"12: 13->13 single->double right"}, "1 double key changes"},
      {"a merged key's new value is the owner's line", none,
       [](KeyTable& t) { t.mergeDown(23); t.setValue(23, 99); }, {"23: 24->99 single->double down"},
       "1 double key changes"},
      {"a split with the old value", [](KeyTable& t) { t.mergeRight(12); },
       [](KeyTable& t) { t.mergeRight(12); t.splitKey(12); }, {"12: 13->13 double right->single"},
       "1 double key changes"},
      {"a split whose keys get values of their own", [](KeyTable& t) { t.mergeQuadruple(36); }, none,
       {"18: 37->19", "19: 37->20", "36: 37->37 quadruple->single", "37: 37->38"},
       "3 keys and 1 double key change"},
      {"a quadruple into two doubles", [](KeyTable& t) { t.mergeQuadruple(36); },
       [](KeyTable& t) { t.mergeRight(36); t.mergeRight(18); },
       {"18: 37->19 covered->double right", "36: 37->37 quadruple->double right"}, "2 double keys change"},
      {"a value the keyboard holds under a merged key", [](KeyTable& t) { t.mergeRight(12); },
       [](KeyTable& t) { t.mergeRight(12); t.takeKeyboardValue(13, 99); }, {"13: 13->99 under 12"},
       "1 key changes"},
      {"a value of its own under a merged key whose value changes", [](KeyTable& t) { t.mergeRight(12); },
       [](KeyTable& t) { t.mergeRight(12); t.setValue(12, 20); t.takeKeyboardValue(13, 99); },
       {"12: 13->20", "13: 13->99 under 12"}, "2 keys change"},
  };
  for (const Case& c : cases) {
    KeyTable before = gridTable(), after = gridTable();
    c.oldEdit(before);
    c.newEdit(after);
    const TableDiff diff = diffTables(before, after);
    EXPECT_EQ(keyLines(diff), c.keys) << c.what;
    EXPECT_EQ(diffSummary(diff), c.summary) << c.what;
    EXPECT_FALSE(diff.keyboardSame()) << c.what;
  }
}

TEST(TableDiff, CountersAddedRemovedAndMovedByCounterNumber) {
  KeyTable before = gridTable(), after = gridTable();
  before.counterOn(10, KeyPosition::TopLeft, 7);
  before.counterOn(20, KeyPosition::TopLeft, 8);
  after.counterOn(11, KeyPosition::TopLeft, 7);
  after.counterOn(30, KeyPosition::TopLeft, 9);
  const TableDiff diff = diffTables(before, after);
  ASSERT_EQ(diff.counters.size(), 3u);
  const std::tuple<int, int, int, CounterMove> expected[] = {
      {7, 10, 11, CounterMove::Moved}, {8, 20, -1, CounterMove::Removed}, {9, -1, 30, CounterMove::Added}};
  for (std::size_t i = 0; i < 3; ++i) {
    const auto [counter, oldKey, newKey, move] = expected[i];
    EXPECT_EQ(diff.counters[i].counter, counter);
    EXPECT_EQ(diff.counters[i].oldKey, oldKey);
    EXPECT_EQ(diff.counters[i].newKey, newKey);
    EXPECT_EQ(diff.counters[i].move(), move) << moveName(move);
  }
  EXPECT_TRUE(diff.keys.empty());
  EXPECT_EQ(diffSummary(diff), "3 counters change");
}

TEST(TableDiff, LabelsLinksAndCountsAreNoChangeOnTheKeyboard) {
  KeyTable before = gridTable(), after = gridTable();
  before.setLabel(5, "Tax");
  after.setLabel(5, "VAT");
  after.setLabel(6, "Crème");
  // An uploaded table names free counters as the keyboard does, 0xFF.
  std::array<std::uint8_t, kMaxCountersInUse> owners;
  owners.fill(0xFF);
  after.takeCounterOwners(owners);
  std::array<std::int32_t, kCounterSlotCount> readings{};
  readings[7] = 1234;
  after.takeCounterReadings(readings);
  LoadedKey relinked;
  relinked.value = after.entry(90).value;
  relinked.size = 1;
  relinked.right = 3;
  after.loadEntry(90, relinked);
  const TableDiff diff = diffTables(before, after);
  EXPECT_TRUE(diff.keyboardSame());
  EXPECT_TRUE(keyboardHoldsSame(before, after));
  ASSERT_EQ(diff.labels.size(), 2u);
  EXPECT_EQ(diff.labels[0].key, 5);
  EXPECT_EQ(diff.labels[0].oldLabel, "Tax");
  EXPECT_EQ(diff.labels[0].newLabel, "VAT");
  EXPECT_EQ(diff.labels[1].oldLabel, "");
  EXPECT_EQ(diffSummary(diff), "Nothing changes on the keyboard; 2 labels change");
  EXPECT_EQ(diffSummary(diffTables(before, before)), "Nothing changes on the keyboard");
}

TEST(TableDiff, SummarySaysCountsInPlainEnglish) {
  const auto diffOf = [](int values, int shapes, int counters, int labels) {
    TableDiff diff;
    KeyChange reshaped;
    reshaped.reshaped = true;
    diff.keys.resize(static_cast<std::size_t>(values));
    diff.keys.insert(diff.keys.end(), static_cast<std::size_t>(shapes), reshaped);
    diff.counters.resize(static_cast<std::size_t>(counters));
    diff.labels.resize(static_cast<std::size_t>(labels));
    return diff;
  };
  const std::pair<TableDiff, const char*> cases[] = {
      {diffOf(1, 0, 0, 0), "1 key changes"},
      {diffOf(2, 0, 0, 0), "2 keys change"},
      {diffOf(0, 1, 0, 0), "1 double key changes"},
      {diffOf(0, 0, 1, 0), "1 counter changes"},
      {diffOf(11, 0, 0, 0), "11 keys change"},
      {diffOf(1, 0, 1, 0), "1 key and 1 counter change"},
      {diffOf(7, 1, 2, 0), "7 keys, 1 double key and 2 counters change"},
      {diffOf(0, 1, 0, 1), "1 double key changes; 1 label changes"},
      {diffOf(0, 0, 0, 3), "Nothing changes on the keyboard; 3 labels change"},
  };
  for (const auto& [diff, text] : cases) EXPECT_EQ(diffSummary(diff), text);
}

// Random edits, merges and keyboard readings: the list is empty exactly when
// the keyboard would hold the same, and each key it names does change.
TEST(TableDiff, ListIsEmptyExactlyWhenTheKeyboardWouldHoldTheSame) {
  std::mt19937 random(20);
  const auto pick = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  int same = 0;
  for (int round = 0; round < 400; ++round) {
    KeyTable before = gridTable();
    for (int i = 0; i < 3; ++i) before.mergeRight(pick(kKeyCount));
    KeyTable after = before;
    for (int edits = pick(3); edits > 0; --edits) {
      const int k = pick(kKeyCount);
      switch (pick(7)) {
        case 0: after.setValue(k, pick(256)); break;
        case 1: after.mergeRight(k); break;
        case 2: after.mergeQuadruple(k); break;
        case 3: after.splitKey(k); break;
        case 4: after.counterOn(k, KeyPosition::TopLeft, kFirstKeyCounter + pick(3)); break;
        case 5: after.takeKeyboardValue(k, pick(256)); break;
        default: after.takeKeyboardSize(k, pick(2) == 0 ? KeySize::Covered : KeySize::Single); break;
      }
    }
    const TableDiff diff = diffTables(before, after);
    ASSERT_EQ(diff.keyboardSame(), keyboardHoldsSame(before, after)) << round;
    ASSERT_EQ(keyboardHoldsSame(after, before), keyboardHoldsSame(before, after)) << round;
    for (const KeyChange& c : diff.keys)
      EXPECT_TRUE(c.oldValue != c.newValue || c.oldSize != c.newSize) << round << " key " << c.key;
    same += diff.keyboardSame() ? 1 : 0;
  }
  EXPECT_GT(same, 20);  // both outcomes were tried
  EXPECT_LT(same, 380);
}

}  // namespace
}  // namespace q4t

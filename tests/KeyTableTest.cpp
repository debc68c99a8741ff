#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "model/KeyTable.h"
#include "model/KeyboardLimits.h"
#include "tests/TestTables.h"

namespace q4t {
namespace {

using testing::gridTable;
using testing::invariantViolations;

// Row 2 (18..35) sits above row 1 (0..17): key 18's down neighbour is 0.
constexpr int kKey = 18, kRight = 19, kDown = 0, kDownRight = 1;

std::vector<int> freeList(const KeyTable& table) {
  const CounterList free = table.freeCounters();
  return {free.begin(), free.end()};
}

TEST(KeyTableMerge, MergeRightCoversTheNeighbourWithTheOwnersValue) {
  KeyTable table = gridTable();
  table.mergeRight(kKey);
  EXPECT_EQ(table.entry(kKey).size, KeySize::DoubleRight);
  EXPECT_EQ(table.entry(kRight).size, KeySize::Covered);
  EXPECT_EQ(table.entry(kRight).value, kKey + 1);
  EXPECT_EQ(invariantViolations(table), "");
}

TEST(KeyTableMerge, RefusedWhenAPartnerIsNotSingleOrMissing) {
  KeyTable table = gridTable();
  table.mergeRight(kRight);  // 19 now owns 20
  const KeyTable before = table;
  table.mergeRight(kKey);    // right neighbour 19 is merged
  table.mergeDown(kDown);    // row 1 has no down neighbour
  table.mergeRight(17);      // last column has no right neighbour
  table.mergeQuadruple(kDown);
  for (int k = 0; k < kKeyCount; ++k) {
    EXPECT_EQ(table.entry(k).size, before.entry(k).size) << k;
    EXPECT_EQ(table.entry(k).value, before.entry(k).value) << k;
  }
}

TEST(KeyTableMerge, MergeReleasesTheCounterOfTheCoveredNeighbour) {
  KeyTable table = gridTable();
  table.counterOn(kRight, KeyPosition::TopLeft, 7);
  ASSERT_EQ(table.countersInUse(), 1);
  table.mergeRight(kKey);
  EXPECT_EQ(table.countersInUse(), 0);
  EXPECT_FALSE(table.isCounterOn(kKey));
  EXPECT_FALSE(table.isCounterOn(kRight));
  EXPECT_EQ(freeList(table).size(), 24u);
  EXPECT_EQ(freeList(table)[1], 7);
}

TEST(KeyTableMerge, QuadrupleCoversThreeNeighboursInOrder) {
  KeyTable table = gridTable();
  table.mergeQuadruple(kKey);
  EXPECT_EQ(table.entry(kKey).size, KeySize::Quadruple);
  for (int covered : {kRight, kDown, kDownRight}) {
    EXPECT_EQ(table.entry(covered).size, KeySize::Covered) << covered;
    EXPECT_EQ(table.entry(covered).value, kKey + 1) << covered;
  }
  EXPECT_EQ(invariantViolations(table), "");
}

TEST(KeyTableMerge, QuadrupleRefusedWhenTheDownRightNeighbourOwnsAKey) {
  KeyTable table = gridTable();
  table.mergeRight(kDownRight);  // 1 owns 2
  table.mergeQuadruple(kKey);
  EXPECT_EQ(table.entry(kKey).size, KeySize::Single);
  EXPECT_EQ(table.entry(kDownRight).size, KeySize::DoubleRight);
  EXPECT_EQ(table.entry(2).size, KeySize::Covered);
  EXPECT_EQ(invariantViolations(table), "");
}

TEST(KeyTableSplit, QuadrupleSplitRestoresNeighboursAndReleasesTheCounterOnce) {
  KeyTable table = gridTable();
  table.counterOn(40, KeyPosition::TopLeft, 9);  // an unrelated counter stays
  table.mergeQuadruple(kKey);
  table.counterOn(kKey, KeyPosition::BottomRight, 12);
  ASSERT_EQ(table.countersInUse(), 2);
  table.splitKey(kKey);
  for (int k : {kKey, kRight, kDown, kDownRight}) {
    EXPECT_EQ(table.entry(k).size, KeySize::Single) << k;
    EXPECT_EQ(table.entry(k).value, kKey + 1) << k;
    EXPECT_FALSE(table.isCounterOn(k)) << k;
  }
  EXPECT_EQ(table.countersInUse(), 1);
  EXPECT_TRUE(table.isCounterOn(40));
  EXPECT_EQ(invariantViolations(table), "");
}

TEST(KeyTableSplit, LeavesNeighboursThatAreNotCoveredAndSizesOfZeroOrBelow) {
  KeyTable table = gridTable();
  LoadedKey odd;
  odd.value = 5;
  odd.right = kRight;
  odd.size = 2;
  table.loadEntry(kKey, odd);  // claims to own 19, which is still single
  table.mergeDown(kRight);     // 19 now owns 1
  table.splitKey(kKey);
  EXPECT_EQ(table.entry(kKey).size, KeySize::Single);
  EXPECT_EQ(table.entry(kRight).size, KeySize::DoubleDown);

  for (int shape : {0, -1}) {
    odd.size = shape;
    table.loadEntry(kKey, odd);
    table.splitKey(kKey);
    EXPECT_EQ(static_cast<int>(table.entry(kKey).size), shape);
  }
}

TEST(KeyTableValue, SetValueReachesCoveredPositionsButMarksOnlyTheOwner) {
  KeyTable table = gridTable();
  table.mergeDown(kKey);
  table.setValue(kKey, 42);
  EXPECT_EQ(table.entry(kKey).value, 42);
  EXPECT_EQ(table.entry(kKey).previousValue, kKey + 1);
  EXPECT_EQ(table.entry(kKey).changed, 1);
  EXPECT_EQ(table.entry(kDown).value, 42);
  EXPECT_EQ(table.entry(kDown).changed, 0);
  EXPECT_EQ(table.entry(kDown).previousValue, kDown + 1);
  EXPECT_EQ(table.entry(kRight).value, kRight + 1);
}

TEST(KeyTableValue, SetValueOnAnOddSizeStaysOnTheKey) {
  KeyTable table = gridTable();
  LoadedKey odd;
  odd.value = 3;
  odd.right = kRight;
  odd.down = kDown;
  odd.downRight = kDownRight;
  odd.size = -1;  // every bit set, yet no group
  table.loadEntry(kKey, odd);
  table.setValue(kKey, 9);
  for (int k : {kRight, kDown, kDownRight}) EXPECT_EQ(table.entry(k).value, k + 1);
  EXPECT_FALSE(table.groupHasCounter(kKey));
}

TEST(KeyTableCounters, OffWithoutACounterChangesNothing) {
  KeyTable table = gridTable();
  table.counterOn(3, KeyPosition::TopLeft, 6);
  table.counterOff(4);
  EXPECT_EQ(table.countersInUse(), 1);
  EXPECT_EQ(table.counters()[6].ownerKey, 3);
  EXPECT_EQ(freeList(table).front(), 7);
}

TEST(KeyTableCounters, OnAgainReleasesTheGroupsEarlierCounter) {
  KeyTable table = gridTable();
  table.mergeRight(kKey);
  table.counterOn(kKey, KeyPosition::TopLeft, 6);
  table.counterOn(kKey, KeyPosition::TopRight, 8);
  EXPECT_EQ(table.countersInUse(), 1);
  EXPECT_EQ(table.counters()[6].ownerKey, kFreeSlot);
  EXPECT_EQ(table.counters()[8].ownerKey, kRight);
  EXPECT_FALSE(table.isCounterOn(kKey));
  EXPECT_EQ(table.actuationKey(kKey), kRight);
  EXPECT_EQ(invariantViolations(table), "");
}

TEST(KeyTableCounters, OnWithACounterHeldElsewhereMovesIt) {
  KeyTable table = gridTable();
  table.counterOn(50, KeyPosition::TopLeft, 20);
  table.counterOn(60, KeyPosition::TopLeft, 20);
  EXPECT_EQ(table.countersInUse(), 1);
  EXPECT_FALSE(table.isCounterOn(50));
  EXPECT_EQ(table.entry(60).counter, 20);
  EXPECT_EQ(table.counters()[20].ownerKey, 60);
  EXPECT_EQ(invariantViolations(table), "");
}

TEST(KeyTableCounters, OnRefusesPositionsOutsideTheShapeAndNumbersOutsideTheRange) {
  KeyTable table = gridTable();
  table.counterOn(kKey, KeyPosition::TopRight, 10);     // single key has no top right
  table.counterOn(kKey, KeyPosition::TopLeft, 5);       // fixed counter
  table.counterOn(kKey, KeyPosition::TopLeft, 30);      // no such slot
  table.counterOn(kRight, KeyPosition::TopLeft, 10);
  table.mergeRight(kKey);                               // 19 becomes covered
  table.counterOn(kRight, KeyPosition::TopLeft, 11);    // a covered position owns nothing
  EXPECT_EQ(table.countersInUse(), 0);
  EXPECT_EQ(freeList(table).size(), 24u);
}

TEST(KeyTableCounters, ActuationKeyFollowsTheTieBreakOrder) {
  KeyTable table = gridTable();
  table.mergeQuadruple(kKey);
  EXPECT_EQ(table.actuationKey(kKey), kKey);
  LoadedKey covered;
  covered.size = 0;
  covered.counter = 7;
  table.loadEntry(kRight, covered);
  covered.counter = 8;
  table.loadEntry(kDown, covered);
  EXPECT_EQ(table.actuationKey(kKey), kDown);
  EXPECT_TRUE(table.groupHasCounter(kKey));
}

TEST(KeyTableCounters, AllTwentyFourInUseLeavesNoneFree) {
  KeyTable table = gridTable();
  for (int c = kFirstKeyCounter; c <= kLastKeyCounter; ++c)
    table.counterOn(c * 3, KeyPosition::TopLeft, c);
  EXPECT_EQ(table.countersInUse(), 24);
  EXPECT_TRUE(table.freeCounters().empty());
  table.counterOff(21);
  EXPECT_EQ(freeList(table), std::vector<int>{7});
}

TEST(KeyTableRanges, BadLinksAndCountersNeverIndexOutside) {
  KeyTable table;
  table.resetForLoad();
  for (int k = 0; k < kKeyCount; ++k) {
    LoadedKey key;
    key.value = k;
    key.right = 92 + k;
    key.down = -7;
    key.downRight = 1000000;
    key.size = k % 2 == 0 ? 14 : 2;
    key.counter = k % 3 == 0 ? 3 : (k % 3 == 1 ? -20 : 200);
    table.loadEntry(k, key);
  }
  table.applyLoadedShapes();
  EXPECT_EQ(table.countersInUse(), 0);
  for (int k = 0; k < kKeyCount; ++k) {
    EXPECT_EQ(table.rightOf(k), kNoNeighbour);
    EXPECT_FALSE(table.isCounterOn(k));
    table.setValue(k, 1);
    table.mergeRight(k);
    table.mergeQuadruple(k);
    table.counterOn(k, KeyPosition::BottomRight, 8);
    table.splitKey(k);
    table.counterOff(k);
  }
  EXPECT_EQ(invariantViolations(table), "");
}

TEST(KeyTableKeyboard, OwnersFromTheKeyboardSetCounters) {
  KeyTable table = gridTable();
  table.counterOn(30, KeyPosition::TopLeft, 15);
  std::array<std::uint8_t, kMaxCountersInUse> owners;
  owners.fill(144);
  owners[0] = 5;
  owners[1] = 92;   // names no key
  owners[2] = 255;
  table.takeCounterOwners(owners);
  EXPECT_EQ(table.entry(5).counter, 6);
  EXPECT_EQ(table.countersInUse(), 1);
  EXPECT_FALSE(table.isCounterOn(30));
  EXPECT_EQ(table.counters()[8].ownerKey, 255);
  for (int c = 9; c <= kLastKeyCounter; ++c) EXPECT_EQ(table.counters()[static_cast<std::size_t>(c)].ownerKey, 144);
  EXPECT_EQ(freeList(table).front(), 7);  // an owner that names no key leaves the counter free
  EXPECT_EQ(invariantViolations(table), "");
}

TEST(KeyTableKeyboard, ValuesFromTheKeyboardClearTheChangedMark) {
  KeyTable table = gridTable();
  table.setValue(3, 50);
  table.takeKeyboardValue(3, 255);
  EXPECT_EQ(table.entry(3).value, 255);
  EXPECT_EQ(table.entry(3).previousValue, 255);
  EXPECT_EQ(table.entry(3).changed, 0);
}

// Long random sequences of edits on the default grid keep the invariants.
TEST(KeyTableRandom, InvariantsHoldAfterEveryEdit) {
  std::mt19937 random(20261207);
  for (int round = 0; round < 50; ++round) {
    KeyTable table = gridTable();
    for (int step = 0; step < 2000; ++step) {
      const int k = static_cast<int>(random() % kKeyCount);
      if (table.entry(k).size == KeySize::Covered) continue;  // its button is hidden
      const int c = static_cast<int>(random() % 26) + 5;  // includes 5 and 30
      const KeyPosition positions[] = {KeyPosition::TopLeft, KeyPosition::TopRight,
                                       KeyPosition::BottomLeft, KeyPosition::BottomRight};
      switch (random() % 7) {
        case 0: table.setValue(k, static_cast<int>(random() % 93)); break;
        case 1: table.mergeRight(k); break;
        case 2: table.mergeDown(k); break;
        case 3: table.mergeQuadruple(k); break;
        case 4: table.splitKey(k); break;
        case 5: table.counterOff(k); break;
        case 6: table.counterOn(k, positions[random() % 4], c); break;
      }
      ASSERT_EQ(invariantViolations(table), "") << "round " << round << " step " << step;
      ASSERT_LE(table.countersInUse(), kMaxCountersInUse);
    }
  }
}

// A key loaded as the file gave it: its own value, single, grid links, no counter.
void loadKey(KeyTable& table, int k, void (*change)(LoadedKey&)) {
  LoadedKey loaded;
  loaded.value = k + 1;
  loaded.size = 1;
  loaded.right = table.entry(k).right;
  loaded.down = table.entry(k).down;
  loaded.downRight = table.entry(k).downRight;
  change(loaded);
  table.loadEntry(k, loaded);
}

TEST(KeyboardLimits, EveryFieldTheKeyboardCannotHoldIsListedInOrder) {
  KeyTable table = gridTable();
  EXPECT_TRUE(unholdableFields(table).empty());
  // At the edges of what the keyboard holds: nothing to report.
  loadKey(table, 1, [](LoadedKey& k) { k.value = 0; k.size = 0; k.counter = 6; });
  loadKey(table, 2, [](LoadedKey& k) { k.value = 255; k.size = 14; k.counter = 29; k.right = 91; });
  loadKey(table, 3, [](LoadedKey& k) { k.size = 2; k.counter = 144; k.down = -1; });
  loadKey(table, 4, [](LoadedKey& k) { k.size = 4; });
  EXPECT_TRUE(unholdableFields(table).empty());

  loadKey(table, 5, [](LoadedKey& k) { k.size = 17; k.value = 300; });
  loadKey(table, 6, [](LoadedKey& k) { k.size = -5; k.value = -7; });
  loadKey(table, 7, [](LoadedKey& k) { k.size = 3; k.value = 256; k.counter = 5; });
  loadKey(table, 8, [](LoadedKey& k) { k.size = -1; k.value = -1; k.counter = 30; });
  loadKey(table, 9, [](LoadedKey& k) { k.right = 92; k.down = -2; k.downRight = 1000; k.counter = 143; });
  std::vector<std::string> listed;
  for (const FieldProblem& problem : unholdableFields(table))
    listed.push_back(std::to_string(problem.key) + " " + problem.field + " " + std::to_string(problem.number));
  EXPECT_EQ(listed, (std::vector<std::string>{"5 VALUE 300", "5 SIZE 17", "6 VALUE -7", "6 SIZE -5",
                                              "7 VALUE 256", "7 SIZE 3", "7 COUNTER 5", "8 VALUE -1",
                                              "8 SIZE -1", "8 COUNTER 30", "9 RIGHT 92", "9 DOWN -2",
                                              "9 DOWNRIGHT 1000", "9 COUNTER 143"}));
  const std::vector<FieldProblem> problems = unholdableFields(table);
  EXPECT_EQ(describeProblems(problems, 2),
            "key 5: VALUE=300 (the keyboard holds 0 to 255)\n"
            "key 5: SIZE=17 (the keyboard holds 0, 1, 2, 4 or 14)\nand 12 more\n");
  EXPECT_EQ(describeProblem(problems[6]), "key 7: COUNTER=5 (the keyboard holds 6 to 29, or 144 for none)");
  EXPECT_EQ(describeProblem(problems[10]), "key 9: RIGHT=92 (the keyboard holds -1 to 91)");
}

// The window lists five problems: a sixth is counted, five are all listed.
TEST(KeyboardLimits, TheCountOfTheRestAppearsOnlyWhenSomeAreLeftOut) {
  const std::vector<FieldProblem> six(6, FieldProblem{1, "VALUE", -1});
  const std::string line = "key 1: VALUE=-1 (the keyboard holds 0 to 255)\n";
  EXPECT_EQ(describeProblems({six.begin(), six.begin() + 5}, 5), line + line + line + line + line);
  EXPECT_EQ(describeProblems(six, 5), line + line + line + line + line + "and 1 more\n");
  EXPECT_EQ(describeProblems({}, 5), "");
}

}  // namespace
}  // namespace q4t

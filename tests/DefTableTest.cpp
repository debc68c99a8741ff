#include <gtest/gtest.h>

#include "cli/ShowCommand.h"
#include "model/KeyTableFile.h"
#include "model/KeyboardGrid.h"
#include "tests/TestTables.h"

namespace q4t {
namespace {

TEST(KeyboardGrid, RowsAndColumnsMatchTheKeyboard) {
  EXPECT_EQ(gridCellOf(0).row, 1);
  EXPECT_EQ(gridCellOf(17).column, 17);
  EXPECT_EQ(gridCellOf(54).row, 4);
  EXPECT_EQ(gridCellOf(72).row, 5);
  EXPECT_EQ(gridCellOf(72).column, 8);
  EXPECT_EQ(gridCellOf(91).row, 6);
  EXPECT_EQ(gridCellOf(91).column, 17);
  for (int k = 0; k < kKeyCount; ++k) {
    const GridCell cell = gridCellOf(k);
    EXPECT_EQ(keyAt(cell.row, cell.column), k);
  }
  EXPECT_EQ(keyAt(5, 7), -1);
  EXPECT_EQ(gridDown(72), 62);
  EXPECT_EQ(gridDownRight(81), -1);
  EXPECT_EQ(gridDown(5), -1);
  EXPECT_EQ(gridRight(71), -1);
}

TEST(DefTable, HoldsTheGridLinksSingleKeysAndNoCounters) {
  KeyTable table;
  readKeyTable(testing::sourceDir() + "/DefTable.q4t", table);
  for (int k = 0; k < kKeyCount; ++k) {
    const KeyEntry& key = table.entry(k);
    EXPECT_EQ(key.value, k + 1) << k;
    EXPECT_EQ(key.size, KeySize::Single) << k;
    EXPECT_EQ(key.counter, kCounterOff) << k;
    EXPECT_EQ(key.right, gridRight(k)) << k;
    EXPECT_EQ(key.down, gridDown(k)) << k;
    EXPECT_EQ(key.downRight, gridDownRight(k)) << k;
  }
  EXPECT_EQ(table.freeCounters().size(), 24);
}

TEST(ShowCommand, DrawsMergedKeysAsOneCellAndMarksCounters) {
  KeyTable table = testing::gridTable();
  table.mergeRight(0);       // bottom row, columns 0 and 1
  table.mergeDown(82);       // top row column 8 over row 5 column 8
  table.counterOn(82, KeyPosition::BottomLeft, 9);
  const std::string text = renderKeyTable(table);
  std::vector<std::string> lines;
  for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  ASSERT_GE(lines.size(), 15u);
  // Top border starts at column 8; rows 5 and 6 leave the left part empty.
  EXPECT_EQ(lines[0].find('+'), 48u);
  EXPECT_EQ(lines[1].substr(48, 13), "|  83 |  84 |");
  EXPECT_EQ(lines[2].substr(48, 7), "|     +");  // no border inside the tall key
  EXPECT_EQ(lines[3].substr(48, 7), "|    *|");  // the lower position holds the counter
  EXPECT_EQ(lines[11].substr(0, 19), "|   1       |   3 |");
  EXPECT_EQ(lines[12].substr(0, 13), "+-----------+");
  EXPECT_NE(text.find("Counters in use: 1\n  counter 9: key 72\n"), std::string::npos);
}

}  // namespace
}  // namespace q4t

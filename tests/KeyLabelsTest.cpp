// Key labels: kept in the table and its file, through edits, merges and saves.
#include <gtest/gtest.h>

#include <map>

#include "model/KeyTableFile.h"
#include "model/KeyTableText.h"
#include "model/ShownKeys.h"
#include "tests/TestTables.h"

namespace q4t {
namespace {

using testing::gridTable;
using testing::readFile;
using testing::writeFile;

class KeyLabels : public ::testing::Test {
 protected:
  void SetUp() override { dir = testing::freshDirectory(::testing::UnitTest::GetInstance()->current_test_info()->name()); }
  std::string path(const std::string& name) const { return dir + "/" + name; }
  KeyTable saveAndReadBack(const KeyTable& table) {
    EXPECT_TRUE(writeKeyTable(path("t.q4t"), table));
    KeyTable back;
    EXPECT_TRUE(readKeyTable(path("t.q4t"), back));
    return back;
  }
  std::string dir;
};

std::string utf16le(const std::u16string& text) {
  std::string bytes = "\xFF\xFE";
  for (const char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

TEST_F(KeyLabels, NonAsciiLabelsSurviveSavingAndReading) {
  KeyTable table = gridTable();
  table.setLabel(0, "Kaffee groß");
  table.setLabel(17, "Crème brûlée");
  table.setLabel(91, "Σύνολο = 5; # ok");
  const KeyTable back = saveAndReadBack(table);
  EXPECT_EQ(back.label(0), "Kaffee groß");
  EXPECT_EQ(back.label(17), "Crème brûlée");
  EXPECT_EQ(back.label(91), "Σύνολο = 5; # ok");
  EXPECT_EQ(back.label(1), "");
  EXPECT_NE(readFile(path("t.q4t")).find("[17]\nVALUE=18\nRIGHT=-1\nDOWN=-1\nDOWNRIGHT=-1\nSIZE=1\nCOUNTER=144\n"
                                          "LABEL=Crème brûlée\n"),
            std::string::npos);
}

TEST_F(KeyLabels, Utf16FileGetsItsLabelsAndStaysUtf16) {
  writeFile(path("t.q4t"), utf16le(u"[5]\nVALUE=6\nLABEL=Café au lait\n[6]\nVALUE=7\n"));
  KeyTable table;
  ASSERT_TRUE(readKeyTable(path("t.q4t"), table));
  EXPECT_EQ(table.label(5), "Café au lait");
  table.setLabel(6, "Größe");
  ASSERT_TRUE(writeKeyTable(path("t.q4t"), table));
  const std::string bytes = readFile(path("t.q4t"));
  EXPECT_NE(bytes.find(utf16le(u"LABEL=Größe\n").substr(2)), std::string::npos);
  KeyTable back;
  ASSERT_TRUE(readKeyTable(path("t.q4t"), back));
  EXPECT_EQ(back.label(5), "Café au lait");
  EXPECT_EQ(back.label(6), "Größe");
}

TEST_F(KeyLabels, TableWithoutLabelsIsWrittenWithoutTheEntry) {
  const std::string original = readFile(testing::sourceDir() + "/DefTable.q4t");
  writeFile(path("t.q4t"), original);
  KeyTable table;
  ASSERT_TRUE(readKeyTable(path("t.q4t"), table));
  EXPECT_FALSE(table.hasLabels());
  ASSERT_TRUE(writeKeyTable(path("t.q4t"), table));
  EXPECT_EQ(readFile(path("t.q4t")), original);

  // A label cleared by the user leaves no empty entry behind, whatever its spelling.
  writeFile(path("t.q4t"), "[3]\nVALUE=4\nlabel=Void\n");
  ASSERT_TRUE(readKeyTable(path("t.q4t"), table));
  EXPECT_EQ(table.label(3), "Void");
  table.setLabel(3, "   ");
  ASSERT_TRUE(writeKeyTable(path("t.q4t"), table));
  EXPECT_EQ(readFile(path("t.q4t")).find("abel"), std::string::npos);
  EXPECT_EQ(readFile(path("t.q4t")).find("LABEL"), std::string::npos);
}

TEST_F(KeyLabels, LabelsAreOneLineOfAtMostFortyCharacters) {
  KeyTable table = gridTable();
  table.setLabel(1, "  TOTAL\r\nSUB\tTOTAL  ");
  EXPECT_EQ(table.label(1), "TOTAL  SUB TOTAL");
  // 45 two-byte characters: cut after 40 characters, never inside one.
  std::string long_;
  for (int i = 0; i < 45; ++i) long_ += "é";
  table.setLabel(2, long_);
  EXPECT_EQ(table.label(2).size(), 80u);
  // A label too long in a file is cut on reading, and a line break cannot get in.
  writeFile(path("t.q4t"), "[4]\nVALUE=5\nLABEL=" + std::string(50, 'x') + "\n");
  ASSERT_TRUE(readKeyTable(path("t.q4t"), table));
  EXPECT_EQ(table.label(4), std::string(40, 'x'));
  table.setLabel(4, "A\nVALUE=99");
  const KeyTable back = saveAndReadBack(table);
  EXPECT_EQ(back.entry(4).value, 5);
  EXPECT_EQ(back.label(4), "A VALUE=99");
}

TEST_F(KeyLabels, MergingKeepsTheOwnersLabelAndSplittingLeavesCoveredKeysWithout) {
  KeyTable table = gridTable();
  for (int k : {36, 37, 18, 19, 3, 4}) table.setLabel(k, "key " + std::to_string(k));
  table.mergeQuadruple(36);
  table.mergeRight(3);
  EXPECT_EQ(table.label(36), "key 36");
  EXPECT_EQ(table.label(3), "key 3");
  for (int covered : {37, 18, 19, 4}) EXPECT_EQ(table.label(covered), "") << covered;
  table.setValue(36, 700);
  table.counterOn(36, KeyPosition::BottomRight, 9);
  KeyTable back = saveAndReadBack(table);
  EXPECT_EQ(back.label(36), "key 36");
  EXPECT_EQ(back.label(3), "key 3");
  back.splitKey(36);
  EXPECT_EQ(back.label(36), "key 36");
  for (int released : {37, 18, 19}) EXPECT_EQ(back.label(released), "") << released;
  // A refused merge takes nobody's label.
  back.setLabel(5, "five");
  back.setLabel(6, "six");
  back.mergeRight(4);  // 4 is covered by 3
  EXPECT_EQ(back.label(5), "five");
  EXPECT_EQ(saveAndReadBack(back).label(6), "six");
}

TEST_F(KeyLabels, ShownKeysAreInGridOrderWithTheirMergedSize) {
  KeyTable table = gridTable();
  table.mergeRight(88);   // top row
  table.mergeDown(18);    // second row from the bottom, down into row 1
  table.mergeQuadruple(40);
  const std::vector<ShownKey> shown = shownKeys(table);
  ASSERT_EQ(shown.size(), 92u - 1 - 1 - 3);
  EXPECT_EQ(shown.front().key, 82);  // top row, leftmost
  EXPECT_EQ(shown.back().key, 17);   // bottom row, rightmost
  std::map<int, ShownKey> byKey;
  for (const ShownKey& key : shown) byKey[key.key] = key;
  for (int covered : {89, 0, 41, 22, 23}) EXPECT_EQ(byKey.count(covered), 0u) << covered;
  EXPECT_EQ(byKey[88].rect.width, 44);
  EXPECT_EQ(byKey[18].rect.height, 36);
  EXPECT_EQ(byKey[40].columns * byKey[40].rows, 4);
  EXPECT_EQ(byKey[40].rect.width, 44);
  EXPECT_EQ(byKey[17].rect.x, 2 + 17 * 22);
}

}  // namespace
}  // namespace q4t

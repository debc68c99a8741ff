// Key labels: kept in the table and its file, through edits, merges and saves.
#include <gtest/gtest.h>

#include <map>

#include "model/KeyTableFile.h"
#include "model/KeyTableText.h"
#include "model/LabelRules.h"
#include "model/ShownKeys.h"
#include "model/Utf8.h"
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

std::string utf16be(const std::u16string& text) {
  std::string bytes = "\xFE\xFF";
  for (const char16_t unit : text) {
    bytes += static_cast<char>(unit >> 8);
    bytes += static_cast<char>(unit & 0xFF);
  }
  return bytes;
}

// The table as saved, with extra lines after the COUNTER entry of key k.
std::string withLinesAfterKey(const std::string& saved, int k, const std::string& lines) {
  const std::string head = "[" + std::to_string(k) + "]\n";
  const std::size_t counter = saved.find("COUNTER=", saved.find(head));
  std::string text = saved;
  return text.insert(saved.find('\n', counter) + 1, lines);
}

TEST_F(KeyLabels, LabelsReadAlikeFromEveryEncodingTheReaderTakes) {
  const std::pair<const char*, std::string> files[] = {
      {"UTF-8", "[5]\nVALUE=6\nLABEL=Café – crème 2 €\n"},
      {"UTF-8 with BOM", "\xEF\xBB\xBF[5]\nVALUE=6\nLABEL=Café – crème 2 €\n"},
      {"UTF-16LE", utf16le(u"[5]\nVALUE=6\nLABEL=Café – crème 2 €\n")},
      {"UTF-16BE", utf16be(u"[5]\nVALUE=6\nLABEL=Café – crème 2 €\n")},
      {"Windows-1252", "[5]\nVALUE=6\nLABEL=Caf\xE9 \x96 cr\xE8me 2 \x80\n"},
  };
  for (const auto& [encoding, bytes] : files) {
    writeFile(path("t.q4t"), bytes);
    KeyTable table;
    ASSERT_TRUE(readKeyTable(path("t.q4t"), table)) << encoding;
    EXPECT_EQ(table.label(5), "Café – crème 2 €") << encoding;
  }
}

TEST_F(KeyLabels, Latin1FileStaysLatin1UnlessALabelNeedsMore) {
  const KeyTable grid = gridTable();
  ASSERT_TRUE(writeKeyTable(path("t.q4t"), grid));
  const std::string latin1 = withLinesAfterKey(readFile(path("t.q4t")), 5, "LABEL=Caf\xE9 cr\xE8me\n");
  writeFile(path("t.q4t"), latin1);
  KeyTable table;
  ASSERT_TRUE(readKeyTable(path("t.q4t"), table));
  EXPECT_EQ(table.label(5), "Café crème");
  ASSERT_TRUE(writeKeyTable(path("t.q4t"), table));
  EXPECT_EQ(readFile(path("t.q4t")), latin1);
  table.setLabel(6, "Grüner Tee");
  ASSERT_TRUE(writeKeyTable(path("t.q4t"), table));
  EXPECT_NE(readFile(path("t.q4t")).find("LABEL=Gr\xFCner Tee\n"), std::string::npos);

  // A character Windows-1252 lacks: the whole file becomes UTF-8 and reads back whole.
  table.setLabel(7, "Tee \xF0\x9F\x8D\xB5");
  ASSERT_TRUE(writeKeyTable(path("t.q4t"), table));
  EXPECT_NE(readFile(path("t.q4t")).find("LABEL=Café crème\n"), std::string::npos);
  KeyTable back;
  ASSERT_TRUE(readKeyTable(path("t.q4t"), back));
  EXPECT_EQ(back.label(5), "Café crème");
  EXPECT_EQ(back.label(6), "Grüner Tee");
  EXPECT_EQ(back.label(7), "Tee \xF0\x9F\x8D\xB5");
}

// Repeated or empty entries and tabs: the first entry counts, an empty one is
// no label, a tab reads as a space; a save without edits writes them back as
// they were, and an edited label replaces all of its key's entries.
TEST_F(KeyLabels, ASaveWithoutEditsLeavesLabelEntriesAsWritten) {
  ASSERT_TRUE(writeKeyTable(path("t.q4t"), gridTable()));
  std::string text = readFile(path("t.q4t"));
  text = withLinesAfterKey(text, 5, "LABEL=First\nLABEL=Second\n");
  text = withLinesAfterKey(text, 6, "LABEL=\n");
  text = withLinesAfterKey(text, 7, "LABEL=Sub\tTotal\n");
  text = withLinesAfterKey(text, 8, "LABEL=\nLABEL=Later\n");
  writeFile(path("t.q4t"), text);
  KeyTable table;
  ASSERT_TRUE(readKeyTable(path("t.q4t"), table));
  EXPECT_EQ(table.label(5), "First");
  EXPECT_EQ(table.label(6), "");
  EXPECT_EQ(table.label(7), "Sub Total");
  EXPECT_EQ(table.label(8), "");
  ASSERT_TRUE(writeKeyTable(path("t.q4t"), table));
  EXPECT_EQ(readFile(path("t.q4t")), text);

  table.setLabel(5, "Third");
  table.setLabel(8, "Now");
  ASSERT_TRUE(writeKeyTable(path("t.q4t"), table));
  const std::string saved = readFile(path("t.q4t"));
  EXPECT_EQ(saved.find("First"), std::string::npos);
  EXPECT_EQ(saved.find("Second"), std::string::npos);
  EXPECT_EQ(saved.find("Later"), std::string::npos);
  EXPECT_NE(saved.find("[5]\nVALUE=6\nRIGHT=6\nDOWN=-1\nDOWNRIGHT=-1\nSIZE=1\nCOUNTER=144\nLABEL=Third\n\n"),
            std::string::npos);
  EXPECT_NE(saved.find("[8]\nVALUE=9\nRIGHT=9\nDOWN=-1\nDOWNRIGHT=-1\nSIZE=1\nCOUNTER=144\nLABEL=Now\n\n"),
            std::string::npos);
  EXPECT_NE(saved.find("LABEL=Sub\tTotal\n"), std::string::npos);
}

// A merge hides a key only when the neighbours it names exist, as on the screen.
TEST_F(KeyLabels, KeysHiddenByAMergeCarryNoLabel) {
  writeFile(path("t.q4t"),
            "[3]\nVALUE=4\nRIGHT=4\nSIZE=2\nLABEL=Double\n[4]\nVALUE=4\nSIZE=0\nLABEL=Hidden\n"
            "[10]\nVALUE=11\nRIGHT=-1\nSIZE=2\nLABEL=Alone\n[11]\nVALUE=12\nSIZE=0\nLABEL=Shown\n");
  KeyTable table;
  ASSERT_TRUE(readKeyTable(path("t.q4t"), table));
  EXPECT_EQ(table.label(3), "Double");
  EXPECT_EQ(table.label(4), "");
  EXPECT_EQ(table.label(10), "Alone");
  EXPECT_EQ(table.label(11), "Shown");
  ASSERT_TRUE(writeKeyTable(path("t.q4t"), table));
  EXPECT_EQ(readFile(path("t.q4t")).find("Hidden"), std::string::npos);
  table.splitKey(3);
  EXPECT_EQ(saveAndReadBack(table).label(4), "");
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

TEST(KeyLabelText, ControlsBecomeSpacesAndFortyCharactersStayWhole) {
  std::string emoji40, letters39;
  for (int i = 0; i < 40; ++i) emoji40 += "\xF0\x9F\x98\x80";
  letters39.assign(39, 'a');
  const std::pair<std::string, std::string> cases[] = {
      {"Kaffee\xC2\x9B" "2J", "Kaffee 2J"},                   // C1 control CSI
      {"a\xE2\x80\xA8" "b\xE2\x80\xA9" "c", "a b c"},         // line and paragraph separators
      {"Tee\x7FMilch", "Tee Milch"},                          // DEL
      {"\xC2\x85Saft\xC2\x9F", "Saft"},                       // C1 at either end: dropped like spaces
      {"\x1B[2J", "[2J"},                                     // ESC
      {"Caf\xE9", "Caf\xEF\xBF\xBD"},                         // a byte that is no UTF-8
      {"\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},               // an overlong form
      {"\xED\xA0\x80!", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD!"},  // an encoded surrogate
      {"Tee \xF0\x9F\x8D", "Tee \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // cut inside the last character
      {emoji40, emoji40},
      {emoji40 + "\xF0\x9F\x98\x80", emoji40},
      {letters39 + "\xF0\x9F\x98\x80", letters39 + "\xF0\x9F\x98\x80"},
      {"   " + std::string(41, 'x'), std::string(40, 'x')},  // outer spaces do not count
      {std::string(39, 'x') + "  y", std::string(39, 'x')},
  };
  for (const auto& [typed, kept] : cases) EXPECT_EQ(keyLabelText(typed), kept) << typed;
}

TEST(KeyLabelText, Utf8IsCheckedAndCountedByCodePoints) {
  EXPECT_TRUE(isValidUtf8("Café \xEF\xBF\xBD \xF0\x9F\x98\x80"));
  for (const char* bad : {"Caf\xE9", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xF0\x9F\x98", "\x80"})
    EXPECT_FALSE(isValidUtf8(bad)) << bad;
  EXPECT_EQ(codePointCount("Caf\xC3\xA9\xF0\x9F\x98\x80"), 5u);
  EXPECT_EQ(codePointCount("Caf\xE9"), 4u);
  // A view that ends inside a character: nothing past its end is read.
  EXPECT_EQ(codePointCount(std::string_view("\xF0\x9F\x98\x80", 2)), 2u);
}

// The keyboard's table replaces the window's: a label stays only on a key
// whose value and shape arrived as they were.
TEST(UploadedLabels, StayOnlyOnKeysTheKeyboardLeftAsTheyWere) {
  KeyTable before = gridTable();
  before.mergeRight(3);
  before.mergeDown(60);
  before.loadEntry(30, LoadedKey{31, kCounterOff, 31, before.downOf(30), before.downRightOf(30), 0, ""});  // shown
  for (int k : {0, 3, 10, 20, 21, 30, 40, 60}) before.setLabel(k, "key " + std::to_string(k));
  KeyTable uploaded = before;
  uploaded.takeKeyboardValue(10, 99);                 // another value
  uploaded.takeKeyboardSize(20, KeySize::DoubleRight);  // now covers 21
  uploaded.takeKeyboardSize(21, KeySize::Covered);
  uploaded.takeKeyboardSize(60, KeySize::Single);      // split on the keyboard
  uploaded.takeKeyboardSize(29, KeySize::DoubleRight);  // now hides 30
  uploaded.takeKeyboardValue(0, 1);                    // the same value again
  uploaded.setLabel(5, "not before");
  keepLabelsOfUnchangedKeys(before, uploaded);
  EXPECT_EQ(uploaded.label(0), "key 0");
  EXPECT_EQ(uploaded.label(3), "key 3");
  EXPECT_EQ(uploaded.label(40), "key 40");
  for (int k : {5, 10, 20, 21, 30, 60}) EXPECT_EQ(uploaded.label(k), "") << k;

  // A merged key whose neighbour link differs covers other keys: not the same shape.
  KeyTable relinked = before;
  LoadedKey three{4, kCounterOff, 5, kNoNeighbour, kNoNeighbour, 2, ""};
  relinked.loadEntry(3, three);
  keepLabelsOfUnchangedKeys(before, relinked);
  EXPECT_EQ(relinked.label(3), "");
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

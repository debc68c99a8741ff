#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "model/KeyTableFile.h"
#include "tests/TestTables.h"

namespace q4t {
namespace {

using testing::freshDirectory;
using testing::gridTable;
using testing::readFile;
using testing::writeFile;

void expectSameTable(const KeyTable& a, const KeyTable& b) {
  for (int k = 0; k < kKeyCount; ++k) {
    const KeyEntry &x = a.entry(k), &y = b.entry(k);
    EXPECT_EQ(x.value, y.value) << k;
    EXPECT_EQ(x.size, y.size) << k;
    EXPECT_EQ(x.right, y.right) << k;
    EXPECT_EQ(x.down, y.down) << k;
    EXPECT_EQ(x.downRight, y.downRight) << k;
    EXPECT_EQ(x.counter, y.counter) << k;
  }
  EXPECT_EQ(a.countersInUse(), b.countersInUse());
}

class KeyTableFile : public ::testing::Test {
 protected:
  void SetUp() override { dir = freshDirectory(::testing::UnitTest::GetInstance()->current_test_info()->name()); }
  std::string path(const std::string& name) const { return dir + "/" + name; }
  std::string dir;
};

TEST_F(KeyTableFile, WrittenTableReadsBackTheSame) {
  KeyTable table = gridTable();
  table.mergeRight(3);
  table.mergeQuadruple(36);
  table.counterOn(36, KeyPosition::BottomLeft, 12);
  table.counterOn(60, KeyPosition::TopLeft, 29);
  table.setValue(70, 0);
  ASSERT_TRUE(writeKeyTable(path("t.q4t"), table));
  KeyTable back;
  readKeyTable(path("t.q4t"), back);
  expectSameTable(table, back);
  for (int k = 0; k < kKeyCount; ++k) {
    EXPECT_EQ(back.entry(k).changed, 0);
    EXPECT_EQ(back.entry(k).previousValue, back.entry(k).value);
  }
  const std::string text = readFile(path("t.q4t"));
  EXPECT_NE(text.find("[3]\nVALUE=4\nRIGHT=4\nDOWN=-1\nDOWNRIGHT=-1\nSIZE=2\nCOUNTER=144\n"), std::string::npos);
  EXPECT_NE(text.find("[4]\nVALUE=4\nRIGHT=5\nDOWN=-1\nDOWNRIGHT=-1\nSIZE=0\nCOUNTER=144\n"), std::string::npos);
}

TEST_F(KeyTableFile, MissingOrEmptyFileGivesDefaultsAndSavesThemInOrder) {
  for (const std::string& name : {std::string("missing.q4t"), std::string("empty.q4t")}) {
    if (name == "empty.q4t") writeFile(path(name), "");
    KeyTable table = gridTable();
    readKeyTable(path(name), table);
    for (int k = 0; k < kKeyCount; ++k) {
      EXPECT_EQ(table.entry(k).value, -1);
      EXPECT_EQ(static_cast<int>(table.entry(k).size), -1);
      EXPECT_EQ(table.rightOf(k), kNoNeighbour);
      EXPECT_FALSE(table.isCounterOn(k));
    }
    EXPECT_EQ(table.countersInUse(), 0);
    ASSERT_TRUE(writeKeyTable(path("out.q4t"), table));
    const std::string text = readFile(path("out.q4t"));
    EXPECT_EQ(text.rfind("[0]\nVALUE=-1\nRIGHT=-1\nDOWN=-1\nDOWNRIGHT=-1\nSIZE=-1\nCOUNTER=144\n", 0), 0u);
    EXPECT_LT(text.find("[90]"), text.find("[91]"));
    std::filesystem::remove(path("out.q4t"));
  }
}

TEST_F(KeyTableFile, MessyFileReadsLikeACanonicalOne) {
  writeFile(path("messy.q4t"),
            "; a comment\r\n[other]\r\nname=x\r\n\r\n[7]\r\nsize=2\r\nRight = 8\r\nvalue=30\r\n"
            "extra=1\r\n\r\n\r\n[8]\nSIZE=0\nVALUE=99\n[0]\rVALUE=+5\rCOUNTER=6\r");
  KeyTable table;
  readKeyTable(path("messy.q4t"), table);
  EXPECT_EQ(table.entry(7).size, KeySize::DoubleRight);
  EXPECT_EQ(table.entry(7).value, 30);
  EXPECT_EQ(table.entry(8).value, 30);  // a covered position takes its owner's value
  EXPECT_EQ(table.entry(7).counter, kCounterOff);
  EXPECT_EQ(table.entry(0).value, 5);
  EXPECT_EQ(table.entry(0).counter, 6);
  EXPECT_EQ(table.counters()[6].ownerKey, 0);
  EXPECT_EQ(table.countersInUse(), 1);
}

TEST_F(KeyTableFile, ValuesThatAreNotDecimalIntegersCountAsMissing) {
  writeFile(path("bad.q4t"),
            "[1]\nVALUE=12abc\nSIZE=0x2\nRIGHT=\nDOWN=99999999999\nDOWNRIGHT=2.5\nCOUNTER=seven\n");
  KeyTable table;
  readKeyTable(path("bad.q4t"), table);
  EXPECT_EQ(table.entry(1).value, -1);
  EXPECT_EQ(static_cast<int>(table.entry(1).size), -1);
  EXPECT_EQ(table.entry(1).right, -1);
  EXPECT_EQ(table.entry(1).down, -1);
  EXPECT_EQ(table.entry(1).downRight, -1);
  EXPECT_EQ(table.entry(1).counter, kCounterOff);
}

TEST_F(KeyTableFile, SavingOverAFileKeepsItsOtherSectionsAndKeysInPlace) {
  writeFile(path("keep.q4t"),
            "[Info]\nAuthor=tech\n\n[5]\nNOTE=keep me\nvalue=1\nCOUNTER=144\n\n[Zeta]\nz=1\n");
  KeyTable table = gridTable();
  ASSERT_TRUE(writeKeyTable(path("keep.q4t"), table));
  const std::string text = readFile(path("keep.q4t"));
  EXPECT_EQ(text.rfind("[Info]\nAuthor=tech\n", 0), 0u);
  EXPECT_NE(text.find("[5]\nNOTE=keep me\nvalue=6\nCOUNTER=144\nRIGHT=6\n"), std::string::npos);
  EXPECT_NE(text.find("[Zeta]\nz=1\n"), std::string::npos);
  EXPECT_EQ(text.find("\nVALUE=6\n"), std::string::npos);  // replaced, not added twice
  KeyTable back;
  readKeyTable(path("keep.q4t"), back);
  expectSameTable(table, back);
}

TEST_F(KeyTableFile, WellFormedFileWritesBackByteForByte) {
  const std::string original = readFile(testing::sourceDir() + "/DefTable.q4t");
  ASSERT_FALSE(original.empty());
  writeFile(path("DefTable.q4t"), original);
  KeyTable table;
  readKeyTable(path("DefTable.q4t"), table);
  ASSERT_TRUE(writeKeyTable(path("DefTable.q4t"), table));
  EXPECT_EQ(readFile(path("DefTable.q4t")), original);
}

TEST_F(KeyTableFile, FailedWriteIsReportedAndLeavesTheOldFile) {
  const KeyTable table = gridTable();
  EXPECT_FALSE(writeKeyTable(path("no/such/folder/t.q4t"), table));
  writeFile(path("locked.q4t"), "[0]\nVALUE=77\n");
  ::chmod(path("locked.q4t").c_str(), 0444);
  if (::geteuid() != 0) {
    EXPECT_FALSE(writeKeyTable(path("locked.q4t"), table));
  }
  ::chmod(dir.c_str(), 0555);
  if (::geteuid() != 0) {
    EXPECT_FALSE(writeKeyTable(path("new.q4t"), table));
  }
  ::chmod(dir.c_str(), 0755);
  EXPECT_EQ(readFile(path("locked.q4t")), "[0]\nVALUE=77\n");
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    EXPECT_EQ(entry.path().string().find(".tmp-"), std::string::npos) << entry.path();
}

TEST_F(KeyTableFile, DefaultTablePathHoldsALongCurrentDirectory) {
  std::string deep = dir;
  while (deep.size() < 300) deep += "/a-rather-long-folder-name";
  std::filesystem::create_directories(deep);
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(deep);
  const std::string defaultPath = defaultTablePath();
  std::filesystem::current_path(previous);
  EXPECT_EQ(defaultPath, std::filesystem::canonical(deep).string() + "/DefTable.q4t");
}

TEST(KeyTableFileName, OnlyPathsHoldingTheDefaultNameNeedANewName) {
  EXPECT_TRUE(needsNewName("/home/t/DefTable.q4t"));
  EXPECT_TRUE(needsNewName("/home/t/MyDefTable.q4t"));
  EXPECT_FALSE(needsNewName("/home/t/deftable.q4t"));
  EXPECT_FALSE(needsNewName("/home/t/layout.q4t"));
}

}  // namespace
}  // namespace q4t

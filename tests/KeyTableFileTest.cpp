#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "model/FileCalls.h"
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

void expectDefaults(const KeyTable& table) {
  for (int k = 0; k < kKeyCount; ++k) {
    EXPECT_EQ(table.entry(k).value, -1) << k;
    EXPECT_EQ(static_cast<int>(table.entry(k).size), -1) << k;
    EXPECT_EQ(table.rightOf(k), kNoNeighbour) << k;
    EXPECT_FALSE(table.isCounterOn(k)) << k;
  }
  EXPECT_EQ(table.countersInUse(), 0);
}

TEST_F(KeyTableFile, WhatIsNoKeyTableIsRefusedAtOnceAndGivesDefaults) {
  writeFile(path("empty.q4t"), "");
  writeFile(path("garbage.q4t"), "\x01\x02 no [sections] here\n[Info]\na=1\n");
  writeFile(path("nul.q4t"), std::string("[5]\nVALUE=1\n\0[6]\n", 18));
  ASSERT_EQ(::mkfifo(path("fifo.q4t").c_str(), 0600), 0);
  const std::pair<std::string, std::string> cases[] = {
      {path("missing.q4t"), "No such file or directory"}, {dir, "not a regular file"},
      {path("fifo.q4t"), "not a regular file"},           {"/dev/null", "not a regular file"},
      {path("empty.q4t"), "no key table sections"},        {path("garbage.q4t"), "no key table sections"},
      {path("nul.q4t"), "not a text file"}};
  for (const auto& [file, reason] : cases) {
    KeyTable table = gridTable();
    const FileResult read = readKeyTable(file, table);
    EXPECT_FALSE(read) << file;
    EXPECT_EQ(read.reason, reason) << file;
    expectDefaults(table);
  }
}

TEST_F(KeyTableFile, DefaultsSaveInOrder) {
  KeyTable table;
  readKeyTable(path("missing.q4t"), table);
  ASSERT_TRUE(writeKeyTable(path("out.q4t"), table));
  const std::string text = readFile(path("out.q4t"));
  EXPECT_EQ(text.rfind("[0]\nVALUE=-1\nRIGHT=-1\nDOWN=-1\nDOWNRIGHT=-1\nSIZE=-1\nCOUNTER=144\n", 0), 0u);
  EXPECT_LT(text.find("[90]"), text.find("[91]"));
}

std::string inEncoding(const std::string& text, int encoding) {
  if (encoding == 0) return "\xEF\xBB\xBF" + text;
  std::string bytes = encoding == 1 ? "\xFF\xFE" : "\xFE\xFF";
  for (const char c : text) bytes += encoding == 1 ? std::string{c, '\0'} : std::string{'\0', c};
  return bytes;
}

TEST_F(KeyTableFile, ByteOrderMarkAndUtf16FilesReadAndSaveInTheirEncoding) {
  const std::string original = readFile(testing::sourceDir() + "/DefTable.q4t");
  std::string editedText = original;
  editedText.replace(editedText.find("[10]\nVALUE=11\n"), 14, "[10]\nVALUE=500\n");
  KeyTable edited = gridTable();
  edited.setValue(10, 500);
  for (int encoding = 0; encoding < 3; ++encoding) {
    writeFile(path("t.q4t"), inEncoding(original, encoding));
    KeyTable table;
    ASSERT_TRUE(readKeyTable(path("t.q4t"), table)) << encoding;
    expectSameTable(table, gridTable());
    ASSERT_TRUE(writeKeyTable(path("t.q4t"), edited));
    EXPECT_EQ(readFile(path("t.q4t")), inEncoding(editedText, encoding)) << encoding;
  }
}

TEST_F(KeyTableFile, SavedPlainTextNeverStartsLikeAByteOrderMark) {
  // Keys before the first section go to the top of the saved file.
  writeFile(path("t.q4t"), "[]\n\xFE\xFFY=2\n[0]\nVALUE=5\n");
  KeyTable table;
  ASSERT_TRUE(readKeyTable(path("t.q4t"), table));
  ASSERT_TRUE(writeKeyTable(path("t.q4t"), table));
  KeyTable back;
  ASSERT_TRUE(readKeyTable(path("t.q4t"), back));
  EXPECT_EQ(back.entry(0).value, 5);
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

TEST_F(KeyTableFile, SavingWritesWhatTheUserPointedAt) {
  const std::string old = "[Info]\nmulti=a\nmulti=b\n[5]\nVALUE=1\n";
  writeFile(path("real.q4t"), old);
  ASSERT_EQ(::chmod(path("real.q4t").c_str(), 0640), 0);
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(path("real.q4t").c_str(), 4321, 4321), 0);
  }
  std::filesystem::create_symlink("real.q4t", path("link.q4t"));
  ASSERT_TRUE(writeKeyTable(path("link.q4t"), gridTable()));
  EXPECT_TRUE(std::filesystem::is_symlink(path("link.q4t")));
  const std::string text = readFile(path("real.q4t"));
  EXPECT_EQ(text.rfind("[Info]\nmulti=a\nmulti=b\n\n\n[5]\nVALUE=6\n", 0), 0u) << text;
  struct stat info {};
  ASSERT_EQ(::stat(path("real.q4t").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  if (::geteuid() == 0) {
    EXPECT_EQ(info.st_uid, 4321u);
  }

  std::filesystem::create_hard_link(path("real.q4t"), path("hard.q4t"));
  KeyTable edited = gridTable();
  edited.setValue(0, 77);
  ASSERT_TRUE(writeKeyTable(path("hard.q4t"), edited));
  EXPECT_EQ(readFile(path("real.q4t")), readFile(path("hard.q4t")));
  EXPECT_NE(readFile(path("real.q4t")).find("[0]\nVALUE=77\n"), std::string::npos);
}

// Root may write anything and keeps set-id bits where the kernel clears them
// on an ordinary user's writes, so a root test run saves as the user nobody.
constexpr uid_t kNobody = 65534;
bool runningAsRoot() { return ::geteuid() == 0; }
void giveToOrdinaryUser(const std::string& path) {
  if (runningAsRoot()) {
    ASSERT_EQ(::chown(path.c_str(), kNobody, kNobody), 0);
  }
}
FileResult saveAsOrdinaryUser(const std::string& path, const KeyTable& table) {
  const bool root = runningAsRoot();
  if (root && (::setegid(kNobody) != 0 || ::seteuid(kNobody) != 0)) return fileFailure("cannot become nobody");
  const FileResult written = writeKeyTable(path, table);
  if (root && (::seteuid(0) != 0 || ::setegid(0) != 0)) std::abort();
  return written;
}

TEST_F(KeyTableFile, SavingKeepsTheSetIdAndStickyBits) {
  giveToOrdinaryUser(dir);
  for (const mode_t mode : {02640, 01640, 04750, 07770}) {
    writeFile(path("bits.q4t"), "[0]\nVALUE=77\n");
    giveToOrdinaryUser(path("bits.q4t"));
    ASSERT_EQ(::chmod(path("bits.q4t").c_str(), mode), 0);
    const FileResult written = saveAsOrdinaryUser(path("bits.q4t"), gridTable());
    ASSERT_TRUE(written) << written.reason;
    struct stat info {};
    ASSERT_EQ(::stat(path("bits.q4t").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, mode) << std::oct << (info.st_mode & 07777) << " for " << mode;
    EXPECT_NE(readFile(path("bits.q4t")).find("[0]\nVALUE=1\n"), std::string::npos);
  }
}

// Fails one step of a save with ENOSPC.
struct FailingCalls : FileCalls {
  explicit FailingCalls(std::string step) : failing(std::move(step)) {}
  int fail() { errno = ENOSPC; return -1; }
  int Open(const char* file, int flags, mode_t mode) override {
    const bool creates = (flags & O_CREAT) != 0;
    return failing == (creates ? "create" : "open") ? fail() : FileCalls::Open(file, flags, mode);
  }
  ssize_t Write(int fd, const void* bytes, std::size_t n) override {
    return failing == "write" ? fail() : FileCalls::Write(fd, bytes, n);
  }
  int Truncate(int fd, off_t size) override { return failing == "truncate" ? fail() : FileCalls::Truncate(fd, size); }
  int Sync(int fd) override { return failing == "sync" ? fail() : FileCalls::Sync(fd); }
  int Rename(const char* from, const char* to) override {
    return failing == "rename" ? fail() : FileCalls::Rename(from, to);
  }
  std::string failing;
};

TEST_F(KeyTableFile, EveryFailedSaveStepIsReportedAndLeavesTheOldFile) {
  const std::string old = "[0]\nVALUE=77\n";
  for (const bool hardLinked : {false, true}) {
    writeFile(path("t.q4t"), old);
    if (hardLinked) std::filesystem::create_hard_link(path("t.q4t"), path("second.q4t"));
    const char* const steps[] = {"create", "write", "sync", "rename", "open"};
    for (const std::string step : steps) {
      if (hardLinked != (step == "open")) continue;  // in place only the write and sync steps are shared
      FailingCalls calls(step);
      useFileCalls(&calls);
      const FileResult written = writeKeyTable(path("t.q4t"), gridTable());
      useFileCalls(nullptr);
      EXPECT_FALSE(written) << step;
      EXPECT_EQ(written.reason, step + ": No space left on device");
      EXPECT_EQ(readFile(path("t.q4t")), old) << step;
    }
    for (const auto& entry : std::filesystem::directory_iterator(dir))
      EXPECT_NE(entry.path().filename().string().rfind(".q4t-", 0), 0u) << entry.path();
    std::filesystem::remove(path("second.q4t"));
  }
  EXPECT_FALSE(writeKeyTable(path("no/such/folder/t.q4t"), gridTable()));
}

TEST_F(KeyTableFile, ReadOnlyFileAndNonTextFileAreNotSavedOver) {
  const std::string withNul("[0]\nVALUE=1\n\0tail\n", 18);
  writeFile(path("nul.q4t"), withNul);
  EXPECT_FALSE(writeKeyTable(path("nul.q4t"), gridTable()));
  EXPECT_EQ(readFile(path("nul.q4t")), withNul);
  writeFile(path("locked.q4t"), "[0]\nVALUE=77\n");
  ASSERT_EQ(::chmod(path("locked.q4t").c_str(), 0444), 0);
  // root may write anything: the check runs as an ordinary user
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::seteuid(65534), 0);
  }
  const FileResult written = writeKeyTable(path("locked.q4t"), gridTable());
  if (root) {
    ASSERT_EQ(::seteuid(0), 0);
  }
  EXPECT_FALSE(written);
  EXPECT_EQ(written.reason, "Permission denied");
  EXPECT_EQ(readFile(path("locked.q4t")), "[0]\nVALUE=77\n");
}

TEST_F(KeyTableFile, ANumberBeyond32BitsIsAFileProblemNamingKeyAndField) {
  const std::pair<std::string, std::string> cases[] = {
      {"[5]\nVALUE=99999999999\nSIZE=1\n", "key 5: VALUE=99999999999 does not fit 32 bits"},
      {"[0]\nVALUE=1\n[17]\nSIZE=-99999999999\nCOUNTER=+4294967296\n",
       "key 17: COUNTER=+4294967296 does not fit 32 bits"}};
  for (const auto& [text, reason] : cases) {
    writeFile(path("big.q4t"), text);
    KeyTable table = gridTable();
    const FileResult read = readKeyTable(path("big.q4t"), table);
    EXPECT_FALSE(read) << text;
    EXPECT_EQ(read.reason, reason);
    expectDefaults(table);
  }
  writeFile(path("edge.q4t"), "[5]\nVALUE=2147483647\nSIZE=-2147483648\n");
  KeyTable table;
  ASSERT_TRUE(readKeyTable(path("edge.q4t"), table));
  EXPECT_EQ(table.entry(5).value, 2147483647);
  EXPECT_EQ(static_cast<int>(table.entry(5).size), -2147483647 - 1);
}

TEST_F(KeyTableFile, AnUnreadableFileGivesTheRealReason) {
  writeFile(path("closed.q4t"), "[0]\nVALUE=1\n");
  ASSERT_EQ(::chmod(path("closed.q4t").c_str(), 0), 0);
  const bool root = ::geteuid() == 0;  // root reads anything: read as an ordinary user
  if (root) {
    ASSERT_EQ(::seteuid(65534), 0);
  }
  KeyTable table = gridTable();
  const FileResult read = readKeyTable(path("closed.q4t"), table);
  if (root) {
    ASSERT_EQ(::seteuid(0), 0);
  }
  EXPECT_FALSE(read);
  EXPECT_EQ(read.reason, "Permission denied");
  expectDefaults(table);
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

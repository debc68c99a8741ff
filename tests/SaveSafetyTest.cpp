// A save that fails leaves every name of the file as it was; names as long as
// the system allows save; a table cut short is never read as a whole one.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <set>
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

// A disk on which one step of a save fails once: a write after half its
// bytes went out (as a disk that fills up), an allocation after the file grew
// (as the C library's fallback writing zeros does), the other steps at once.
struct FailingOnce : FileCalls {
  explicit FailingOnce(std::string step) : failing(std::move(step)) {}
  bool failsNow(const std::string& step) {
    if (step != failing || failed) return false;
    failed = true;
    errno = ENOSPC;
    return true;
  }
  int Open(const char* file, int flags, mode_t mode) override {
    return failsNow("open") ? -1 : FileCalls::Open(file, flags, mode);
  }
  ssize_t Write(int fd, const void* bytes, std::size_t n) override {
    ++writes;
    if (failing == "write" && !halfWritten && n > 1) {
      halfWritten = true;
      return FileCalls::Write(fd, bytes, n / 2);
    }
    return failsNow("write") ? -1 : FileCalls::Write(fd, bytes, n);
  }
  int Truncate(int fd, off_t size) override { return failsNow("truncate") ? -1 : FileCalls::Truncate(fd, size); }
  int Allocate(int fd, off_t size) override {
    if (failing == "allocate" && !failed) ::ftruncate(fd, size);
    return failsNow("allocate") ? -1 : FileCalls::Allocate(fd, size);
  }
  int Sync(int fd) override { return failsNow("sync") ? -1 : FileCalls::Sync(fd); }

  std::string failing;
  bool failed = false;
  bool halfWritten = false;
  int writes = 0;
};

// Every later write fails: the old content cannot be put back either.
struct BrokenDisk : FileCalls {
  int writes = 0;
  ssize_t Write(int fd, const void* bytes, std::size_t n) override {
    if (writes++ == 0) return FileCalls::Write(fd, bytes, n / 2);
    errno = EIO;
    return -1;
  }
};

class SaveSafety : public ::testing::Test {
 protected:
  void SetUp() override { dir = freshDirectory(::testing::UnitTest::GetInstance()->current_test_info()->name()); }
  void TearDown() override { useFileCalls(nullptr); }
  std::string path(const std::string& name) const { return dir + "/" + name; }
  std::set<std::string> filesInDir() const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) names.insert(entry.path().filename());
    return names;
  }
  FileResult saveWith(FileCalls& calls, const std::string& file, const KeyTable& table) {
    useFileCalls(&calls);
    const FileResult written = writeKeyTable(file, table);
    useFileCalls(nullptr);
    return written;
  }
  std::string dir;
};

// A labelled table is longer than the file it is saved over, a plain one shorter.
KeyTable labelledTable() {
  KeyTable table = gridTable();
  for (int k = 0; k < kKeyCount; ++k) table.setLabel(k, "Heisse Schokolade " + std::to_string(k));
  return table;
}

TEST_F(SaveSafety, AFailedSaveOfAHardLinkedFileLeavesBothNamesAsTheyWere) {
  struct Case {
    const char* step;
    bool growing;
  };
  const Case cases[] = {{"open", true},     {"allocate", true}, {"write", true},  {"write", false},
                        {"truncate", true}, {"truncate", false}, {"sync", true}, {"sync", false}};
  for (const Case& c : cases) {
    const std::string old = c.growing ? "[0]\nVALUE=77\n; kept as it was\n" : "";
    writeFile(path("t.q4t"), old);
    if (!c.growing) {
      ASSERT_TRUE(writeKeyTable(path("t.q4t"), labelledTable()));
    }
    const std::string before = readFile(path("t.q4t"));
    std::filesystem::create_hard_link(path("t.q4t"), path("second.q4t"));
    FailingOnce disk(c.step);
    const FileResult written = saveWith(disk, path("second.q4t"), c.growing ? labelledTable() : gridTable());
    EXPECT_FALSE(written) << c.step;
    EXPECT_EQ(written.reason, std::string(c.step) + ": No space left on device") << c.step;
    EXPECT_EQ(readFile(path("t.q4t")), before) << c.step << " growing " << c.growing;
    EXPECT_EQ(readFile(path("second.q4t")), before) << c.step << " growing " << c.growing;
    EXPECT_EQ(std::filesystem::hard_link_count(path("t.q4t")), 2u) << c.step;
    EXPECT_EQ(filesInDir(), (std::set<std::string>{"t.q4t", "second.q4t"})) << c.step;
    // No room: the file is not touched at all.
    if (std::string(c.step) == "allocate") {
      EXPECT_EQ(disk.writes, 0);
    }
    std::filesystem::remove(path("second.q4t"));
  }
}

TEST_F(SaveSafety, ASaveThatCannotPutTheOldContentBackSaysSo) {
  writeFile(path("t.q4t"), "[0]\nVALUE=77\n");
  std::filesystem::create_hard_link(path("t.q4t"), path("second.q4t"));
  BrokenDisk disk;
  const FileResult written = saveWith(disk, path("t.q4t"), gridTable());
  EXPECT_FALSE(written);
  EXPECT_EQ(written.reason,
            "write: Input/output error; the old content could not be put back (write: Input/output error)");
}

TEST_F(SaveSafety, ASavedHardLinkedFileStaysOneFileUnderBothNames) {
  writeFile(path("t.q4t"), "[0]\nVALUE=77\n");
  std::filesystem::create_hard_link(path("t.q4t"), path("second.q4t"));
  for (const KeyTable& table : {labelledTable(), gridTable()}) {
    ASSERT_TRUE(writeKeyTable(path("second.q4t"), table));
    KeyTable back;
    ASSERT_TRUE(readKeyTable(path("t.q4t"), back));
    EXPECT_EQ(back.label(5), table.label(5));
    EXPECT_EQ(readFile(path("t.q4t")), readFile(path("second.q4t")));
    EXPECT_TRUE(std::filesystem::equivalent(path("t.q4t"), path("second.q4t")));
  }
}

TEST_F(SaveSafety, ANameAsLongAsTheSystemAllowsSavesAndLeavesNoTemporary) {
  const std::string name = std::string(247, 'k') + ".q4t";  // 251 bytes
  for (const bool hardLinked : {false, true}) {
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    ASSERT_TRUE(writeKeyTable(path(name), gridTable()));  // a new file
    if (hardLinked) std::filesystem::create_hard_link(path(name), path("second.q4t"));
    const FileResult written = writeKeyTable(path(name), labelledTable());  // over the old one
    ASSERT_TRUE(written) << written.reason;
    KeyTable back;
    ASSERT_TRUE(readKeyTable(path(name), back));
    EXPECT_EQ(back.label(91), "Heisse Schokolade 91");
    EXPECT_EQ(filesInDir().size(), hardLinked ? 2u : 1u);
  }
}

TEST_F(SaveSafety, ATableCutOffInsideItsLastLineIsRefused) {
  const std::string whole = "[90]\nVALUE=91\n[91]\nVALUE=92\nRIGHT=-1\n";
  const std::pair<std::string, bool> cases[] = {
      {whole.substr(0, whole.size() - 4), false},  // "RIGH"
      {whole.substr(0, whole.size() - 3), false},  // "RIGHT=" without its value
      {"[90]\nVALUE=91\n[9", false},
      {whole, true},
      {whole.substr(0, whole.size() - 1), true},  // the last entry whole, only its line end gone
      {whole + "; a comment", true},
      {whole + "[91]", true},
      {whole + "  \t", true}};
  for (const auto& [text, accepted] : cases) {
    writeFile(path("cut.q4t"), text);
    KeyTable table;
    const FileResult read = readKeyTable(path("cut.q4t"), table);
    EXPECT_EQ(read.ok, accepted) << text;
    if (!accepted) {
      EXPECT_EQ(read.reason, "cut off inside its last line") << text;
    }
  }
}

TEST_F(SaveSafety, ReadAndWriteHandBackTheBytesTheyMet) {
  writeFile(path("t.q4t"), "[0]\nVALUE=77\n");
  KeyTable table;
  FileContent seen;
  ASSERT_TRUE(readKeyTable(path("t.q4t"), table, &seen));
  EXPECT_EQ(seen, FileContent("[0]\nVALUE=77\n"));
  EXPECT_EQ(currentContent(path("t.q4t")), seen);
  ASSERT_TRUE(writeKeyTable(path("t.q4t"), gridTable(), &seen));
  EXPECT_EQ(seen, FileContent(readFile(path("t.q4t"))));
  readKeyTable(path("missing.q4t"), table, &seen);
  EXPECT_EQ(seen, std::nullopt);
  EXPECT_EQ(currentContent(path("missing.q4t")), std::nullopt);
}

}  // namespace
}  // namespace q4t

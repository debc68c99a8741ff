#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "model/FileCalls.h"
#include "model/KeptLabels.h"
#include "model/KeyTableFile.h"
#include "model/SnapshotStore.h"
#include "model/TableDiff.h"
#include "tests/TestTables.h"

namespace q4t {
namespace {

namespace fs = std::filesystem;
using testing::freshDirectory;
using testing::gridTable;
using testing::readFile;
using testing::writeFile;

constexpr std::time_t kMay1st = 1714558500;  // 2024-05-01 10:15:00 UTC

// Local time is UTC while a test runs, so that names can be spelled out.
class SnapshotStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC0", 1);
    tzset();
    dir = freshDirectory(::testing::UnitTest::GetInstance()->current_test_info()->name());
  }
  void TearDown() override {
    unsetenv("TZ");
    tzset();
  }
  std::vector<std::string> fileNames(const fs::path& folder) const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string dir;
};

TEST(SnapshotNames, SerialNumbersBecomeOneReadableFolderNameEach) {
  std::string escapedNuls;
  for (int i = 0; i < 32; ++i) escapedNuls += "%00";
  const std::pair<std::string, std::string> cases[] = {
      {"Q4T-000123", "Q4T-000123"},   {"", "no-serial"},        {"no-serial", "no%2Dserial"},
      {"a/b", "a%2Fb"},               {"..", "%2E."},            {".", "%2E"},
      {"v1.2", "v1.2"},               {"x y\n\x1b", "x%20y%0A%1B"}, {"50%", "50%25"},
      {"Caf\xE9", "Caf%E9"},          {std::string(32, '\0'), escapedNuls}};
  for (const auto& [serial, folder] : cases) {
    EXPECT_EQ(serialFolderName(serial), folder);
    EXPECT_EQ(serialOfFolder(folder), serial) << folder;
  }
  // Names the store never makes are someone else's folders.
  for (const char* foreign : {"no%2dserial", "a%2", "a%zz1", "my stuff", "%41", ".hidden", "a/b"})
    EXPECT_FALSE(serialOfFolder(foreign)) << foreign;
}

TEST_F(SnapshotStoreTest, FileNamesCarryTimeNumberAndKindAndNothingElseCounts) {
  EXPECT_EQ(snapshotStamp(kMay1st), "2024-05-01_101500");
  EXPECT_EQ(stampDateText("2024-05-01_101500"), "2024-05-01 10:15:00");
  const std::pair<SnapshotName, std::string> names[] = {
      {{"2024-05-01_101500", 1, SnapshotKind::Before}, "2024-05-01_101500-before.q4t"},
      {{"2024-05-01_101500", 2, SnapshotKind::Written}, "2024-05-01_101500-2-written.q4t"},
      {{"2024-05-01_101500", 12, SnapshotKind::Before}, "2024-05-01_101500-12-before.q4t"}};
  for (const auto& [name, text] : names) {
    EXPECT_EQ(snapshotFileName(name), text);
    const auto parsed = parseSnapshotFileName(text);
    ASSERT_TRUE(parsed) << text;
    EXPECT_EQ(snapshotFileName(*parsed), text);
  }
  for (const char* other : {"2024-05-01_101500-1-before.q4t", "2024-05-01_101500-02-before.q4t",
                            "2024-05-01_101500-after.q4t", "2024-05-01_10150-before.q4t", "notes.txt",
                            "2024-05-01_101500-before.q4t~", ".keeping-1-0", "2024-05-01_101500-x-written.q4t"})
    EXPECT_FALSE(parseSnapshotFileName(other)) << other;
}

TEST_F(SnapshotStoreTest, KeptTableReadsBackWithLabelsAndItsSourceLine) {
  const SnapshotStore store(fs::path(dir) / "new" / "keyboards");
  KeyTable table = gridTable();
  table.mergeRight(12);
  table.counterOn(40, KeyPosition::TopLeft, 9);
  table.setLabel(12, "Bar tab");
  const SavedSnapshot before = store.save("Q4T/7", SnapshotKind::Before, table, kMay1st);
  ASSERT_TRUE(before.result) << before.result.reason;
  EXPECT_EQ(before.path, fs::path(dir) / "new/keyboards/Q4T%2F7/2024-05-01_101500-before.q4t");
  const SavedSnapshot written =
      store.save("Q4T/7", SnapshotKind::Written, table, kMay1st + 60, "/home/u/shop\n[0]\\.q4t");
  ASSERT_TRUE(written.result) << written.result.reason;
  EXPECT_EQ(sourceFileOf(readFile(written.path)), "/home/u/shop\\x0a[0]\\\\.q4t");
  for (const fs::path& path : {before.path, written.path}) {
    KeyTable back;
    ASSERT_TRUE(readKeyTable(path.string(), back)) << path;
    EXPECT_TRUE(keyboardHoldsSame(back, table)) << path;
    EXPECT_EQ(back.label(12), "Bar tab");
  }
  EXPECT_EQ(fileNames(store.folderOf("Q4T/7")),
            (std::vector<std::string>{"2024-05-01_101500-before.q4t", "2024-05-01_101600-written.q4t"}));
  ASSERT_EQ(store.keyboards().size(), 1u);
  EXPECT_EQ(store.keyboards()[0].serial, "Q4T/7");
}

// Stands in for another program that takes the name between the look and the link.
struct NameTakingCalls : FileCalls {
  int Link(const char* from, const char* to) override {
    if (taken++ == 0) writeFile(to, "someone else's\n");
    return FileCalls::Link(from, to);
  }
  int taken = 0;
};

TEST_F(SnapshotStoreTest, TablesOfTheSameSecondGetTheNextNumberAWrittenOneItsBeforesAndNoFileIsReplaced) {
  const SnapshotStore store(dir);
  fs::create_directories(store.folderOf(""));
  writeFile((store.folderOf("") / "2024-05-01_101500-before.q4t").string(), "foreign\n");
  NameTakingCalls calls;
  useFileCalls(&calls);
  const SavedSnapshot raced = store.save("", SnapshotKind::Before, gridTable(), kMay1st);
  useFileCalls(nullptr);
  ASSERT_TRUE(raced.result) << raced.result.reason;
  EXPECT_EQ(raced.path.filename(), "2024-05-01_101500-3-before.q4t");
  for (const SnapshotKind kind : {SnapshotKind::Written, SnapshotKind::Before})
    ASSERT_TRUE(store.save("", kind, gridTable(), kMay1st).result);
  EXPECT_EQ(fileNames(store.folderOf("")),
            (std::vector<std::string>{"2024-05-01_101500-2-before.q4t", "2024-05-01_101500-3-before.q4t",
                                      "2024-05-01_101500-3-written.q4t", "2024-05-01_101500-4-before.q4t",
                                      "2024-05-01_101500-before.q4t"}));
  EXPECT_EQ(readFile((store.folderOf("") / "2024-05-01_101500-before.q4t").string()), "foreign\n");
  EXPECT_EQ(readFile((store.folderOf("") / "2024-05-01_101500-2-before.q4t").string()), "someone else's\n");
  const auto latest = store.latestWritten("");
  ASSERT_TRUE(latest);
  EXPECT_EQ(latest->filename(), "2024-05-01_101500-3-written.q4t");
  EXPECT_FALSE(store.latestWritten("other"));
}

// Fails one step of keeping a table with ENOSPC, as a full disk does.
struct FailingCalls : FileCalls {
  explicit FailingCalls(std::string step) : failing(std::move(step)) {}
  int fail() { errno = ENOSPC; return -1; }
  int Open(const char* file, int flags, mode_t mode) override {
    const bool folder = (flags & O_DIRECTORY) != 0;
    return failing == (folder ? "sync folder" : "create") ? fail() : FileCalls::Open(file, flags, mode);
  }
  ssize_t Write(int fd, const void* bytes, std::size_t n) override {
    return failing == "write" ? fail() : FileCalls::Write(fd, bytes, n);
  }
  int Sync(int fd) override { return failing == "sync" ? fail() : FileCalls::Sync(fd); }
  int Link(const char* from, const char* to) override { return failing == "link" ? fail() : FileCalls::Link(from, to); }
  std::string failing;
};

TEST_F(SnapshotStoreTest, AFailedStepNamesFolderAndCauseAndLeavesNoPartOfAFile) {
  const SnapshotStore store(dir);
  const fs::path folder = store.folderOf("K1");
  for (const std::string step : {"create", "write", "sync", "link"}) {
    FailingCalls calls(step);
    useFileCalls(&calls);
    const SavedSnapshot saved = store.save("K1", SnapshotKind::Before, gridTable(), kMay1st);
    useFileCalls(nullptr);
    EXPECT_FALSE(saved.result) << step;
    EXPECT_EQ(saved.result.reason, folder.string() + ": " + step + ": No space left on device");
    EXPECT_TRUE(fileNames(folder).empty()) << step;
  }
  // The folder entry not on the disk yet: said so, the file itself is whole.
  FailingCalls calls("sync folder");
  useFileCalls(&calls);
  const SavedSnapshot unsynced = store.save("K1", SnapshotKind::Before, gridTable(), kMay1st);
  useFileCalls(nullptr);
  EXPECT_EQ(unsynced.result.reason, folder.string() + ": sync folder: No space left on device");
  ASSERT_EQ(store.snapshots("K1").size(), 1u);
  EXPECT_TRUE(store.snapshots("K1")[0].readable);
}

TEST_F(SnapshotStoreTest, AFolderThatCannotBeWrittenGivesTheReason) {
  const fs::path locked = fs::path(dir) / "locked";
  fs::create_directories(locked);
  ASSERT_EQ(::chmod(locked.c_str(), 0555), 0);
  writeFile(dir + "/plain-file", "");
  const std::pair<fs::path, std::string> cases[] = {
      {locked, "create folder: Permission denied"}, {fs::path(dir) / "plain-file", "create folder: Not a directory"}};
  for (const auto& [root, cause] : cases) {
    // root may write anything: the check runs as an ordinary user
    const bool asRoot = ::geteuid() == 0;
    if (asRoot) {
      ASSERT_EQ(::seteuid(65534), 0);
    }
    const SavedSnapshot saved = SnapshotStore(root).save("K1", SnapshotKind::Before, gridTable(), kMay1st);
    if (asRoot) {
      ASSERT_EQ(::seteuid(0), 0);
    }
    EXPECT_FALSE(saved.result);
    EXPECT_EQ(saved.result.reason, (root / "K1").string() + ": " + cause);
  }
}

TEST_F(SnapshotStoreTest, ForeignAndBrokenFilesArePassedOverOrListedAsUnreadable) {
  const SnapshotStore store(dir);
  KeyTable changed = gridTable();
  changed.setValue(3, 40);
  changed.setValue(4, 41);
  ASSERT_TRUE(store.save("K1", SnapshotKind::Before, gridTable(), kMay1st).result);
  const fs::path folder = store.folderOf("K1");
  writeFile((folder / "2024-05-01_101600-before.q4t").string(), "\x01\x02 not a table");
  fs::create_directories(folder / "2024-05-01_101700-before.q4t");
  writeFile((folder / "notes.txt").string(), "my notes\n");
  writeFile((folder / ".keeping-99-0").string(), "[0]\nVALUE=1\n");
  ASSERT_TRUE(store.save("K1", SnapshotKind::Written, changed, kMay1st + 300, "/t/shop.q4t").result);
  fs::create_directories(fs::path(dir) / "my stuff");
  writeFile(dir + "/README", "");
  writeFile(dir + "/K2", "a file where a folder would be\n");

  ASSERT_EQ(store.keyboards().size(), 1u);
  const std::vector<SnapshotInfo> listed = store.snapshots("K1");
  ASSERT_EQ(listed.size(), 4u);
  const std::tuple<const char*, bool, int, const char*> expected[] = {
      {"2024-05-01_101500", true, -1, ""},
      {"2024-05-01_101600", false, -1, ""},
      {"2024-05-01_101700", false, -1, ""},
      {"2024-05-01_102000", true, 2, "/t/shop.q4t"}};  // against the last readable one
  for (std::size_t i = 0; i < listed.size(); ++i) {
    const auto [stamp, readable, keysChanged, source] = expected[i];
    EXPECT_EQ(listed[i].name.stamp, stamp);
    EXPECT_EQ(static_cast<bool>(listed[i].readable), readable) << stamp << " " << listed[i].readable.reason;
    EXPECT_EQ(listed[i].keysChanged, keysChanged) << stamp;
    EXPECT_EQ(listed[i].sourceFile, source) << stamp;
  }
  EXPECT_EQ(listed[1].readable.reason, "no key table sections");
  EXPECT_EQ(listed[2].readable.reason, "not a regular file");
  EXPECT_TRUE(store.snapshots("K2").empty());
  EXPECT_TRUE(SnapshotStore(fs::path(dir) / "none").keyboards().empty());
}

TEST(SnapshotRoot, FollowsXdgDataHomeWhenItIsAnAbsolutePath) {
  const char* oldData = std::getenv("XDG_DATA_HOME");
  const std::string kept = oldData != nullptr ? oldData : "";
  const std::string home = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";
  const std::pair<const char*, fs::path> cases[] = {
      {"/srv/data", "/srv/data/q4t-programmer/keyboards"},
      {"relative/data", fs::path(home) / ".local/share/q4t-programmer/keyboards"},
      {"", fs::path(home) / ".local/share/q4t-programmer/keyboards"}};
  for (const auto& [value, root] : cases) {
    setenv("XDG_DATA_HOME", value, 1);
    EXPECT_EQ(defaultSnapshotRoot(), root) << value;
  }
  if (oldData != nullptr) setenv("XDG_DATA_HOME", kept.c_str(), 1);
  else unsetenv("XDG_DATA_HOME");
}

}  // namespace
}  // namespace q4t

namespace q4t {
namespace {

// An Upload gets labels back only from the newest written table of a
// keyboard, and only when the keyboard holds exactly that table.
TEST_F(SnapshotStoreTest, AnUploadGetsTheLabelsOfTheNewestWrittenTableItEqualsExactly) {
  const SnapshotStore store(dir);
  KeyTable cafe = gridTable();
  cafe.setLabel(0, "Milk");
  KeyTable bakery = gridTable();
  bakery.setLabel(0, "Bread");
  KeyTable older = gridTable();
  older.setValue(5, 77);
  older.setLabel(5, "Old");
  ASSERT_TRUE(store.save("A", SnapshotKind::Written, older, kMay1st).result);
  ASSERT_TRUE(store.save("A", SnapshotKind::Written, cafe, kMay1st + 60).result);
  ASSERT_TRUE(store.save("B", SnapshotKind::Written, bakery, kMay1st + 120).result);
  ASSERT_TRUE(store.save("C", SnapshotKind::Before, gridTable(), kMay1st + 180).result);

  KeyTable uploaded = gridTable();
  const auto kept = takeKeptLabels(store, uploaded);
  ASSERT_TRUE(kept);
  EXPECT_EQ(kept->serial, "B");
  EXPECT_EQ(uploaded.label(0), "Bread");

  KeyTable notLatest = older;
  notLatest.setLabel(5, "");
  EXPECT_FALSE(takeKeptLabels(store, notLatest)) << "A's older table is not what A holds now";
  EXPECT_EQ(notLatest.label(5), "");

  KeyTable oneValueOff = gridTable();
  oneValueOff.setValue(91, 3);
  EXPECT_FALSE(takeKeptLabels(store, oneValueOff));
  EXPECT_FALSE(oneValueOff.hasLabels()) << "no label is guessed";

  KeyTable ownLabels = gridTable();
  ownLabels.setLabel(7, "Mine");
  EXPECT_FALSE(takeKeptLabels(store, ownLabels));
  EXPECT_EQ(ownLabels.label(0), "");
  EXPECT_EQ(ownLabels.label(7), "Mine");
}

}  // namespace
}  // namespace q4t
